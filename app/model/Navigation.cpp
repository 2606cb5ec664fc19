#include "app/model/Navigation.h"

#include "app/model/Assign.h"

namespace hub {

Navigation::Navigation(QObject* parent) : QObject(parent) {}

void Navigation::setSelection(std::optional<HubSection> section)
{
    if (!assign(selection_, section))
        return;
    emit selectionChanged();
    setPath({});
}

void Navigation::choose(HubSection section)
{
    setSearch(QString());
    setSelection(section);
}

void Navigation::setPath(const QStringList& path)
{
    if (assign(path_, path))
        emit pathChanged();
}

void Navigation::setSearch(const QString& text)
{
    const bool wasEmpty = search_.isEmpty();
    if (!assign(search_, text))
        return;
    emit searchChanged();
    if (wasEmpty && !search_.isEmpty())
        setPath({});
}

void Navigation::show(const QString& productId)
{
    if (!selection_ || *selection_ == HubSection::account)
        setSelection(HubSection::discover);
    setPath(path_ + QStringList{productId});
}

void Navigation::showExtra(const QString& itemId)
{
    setPath(path_ + QStringList{extraPrefix + itemId});
}

void Navigation::goBack()
{
    if (!path_.isEmpty())
        setPath(path_.first(path_.size() - 1));
}

} // namespace hub
