#include "app/views/extras/ExtrasShelf.h"

#include "app/model/AppModel.h"
#include "app/views/extras/ExtrasShelfPresenter.h"
#include "app/views/extras/ExtrasTile.h"

namespace hub {

namespace {

QStringList ids(const QList<ExtrasItem>& items)
{
    QStringList list;
    for (const ExtrasItem& item : items)
        list << item.id;
    return list;
}

} // namespace

ExtrasShelf::ExtrasShelf(AppModel& model, const QString& title, const std::optional<QString>& subtitle,
    const QList<ExtrasItem>& items, std::function<void()> seeAll, QWidget* parent)
    : Shelf(title, subtitle, ids(ExtrasShelfPresenter::shelfItems(items)),
          [source = &model](const QString& id) { source->navigation().showExtra(id); },
          [source = &model, shown = ExtrasShelfPresenter::shelfItems(items)](const QString& id) -> QWidget* {
              for (const ExtrasItem& item : shown) {
                  if (item.id == id)
                      return new ExtrasTile(*source, item);
              }
              return nullptr;
          },
          std::move(seeAll), parent)
{
}

} // namespace hub
