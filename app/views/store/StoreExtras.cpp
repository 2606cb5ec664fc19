#include "app/views/store/StoreExtras.h"

namespace hub::StoreExtras {

QWidget* shelf(AppModel&, const QString&, const std::optional<QString>&, const QList<ExtrasItem>&, std::function<void()>)
{
    return nullptr; // SEAM: the extras shelf of item tiles
}

} // namespace hub::StoreExtras
