#include "app/views/library/LibraryRowPresenter.h"

#include "app/views/kit/Formats.h"

#include <algorithm>

namespace hub {

QString LibraryRowPresenter::status(const Input& input)
{
    if (!input.record) {
        if (input.product.macDownloads().isEmpty())
            return QStringLiteral("No macOS download yet");
        return QStringLiteral("Not installed. Latest ") + input.latestVersion.value_or(QString());
    }
    if (input.presentItems.isEmpty())
        return QStringLiteral("Removed outside the hub");
    QStringList formats;
    for (const InstalledItem& item : input.presentItems)
        if (!formats.contains(item.kind.label()))
            formats.append(item.kind.label());
    std::sort(formats.begin(), formats.end()); // code-point order: "App" < "Audio Unit" < "CLAP"
    return input.record->version + QStringLiteral(", ") + formats.join(QStringLiteral(" + "))
        + QStringLiteral(". Installed ") + Formats::mediumDate(input.record->installedAt.toTimeZone(input.zone).date());
}

QList<LibraryRowPresenter::Entry> LibraryRowPresenter::menu(const Input& input)
{
    QList<Entry> entries;
    if (const std::optional<InstallRecord>& record = input.record) {
        const bool hasApp = std::any_of(record->items.begin(), record->items.end(),
            [](const InstalledItem& item) { return item.kind == BundleKind::app; });
        if (hasApp)
            entries.append({Action::open, QStringLiteral("Open")});
        entries.append({Action::reveal, QStringLiteral("View in File Manager")});
        entries.append({Action::reinstall, QStringLiteral("Reinstall")});
        entries.append(Entry{});
        entries.append({Action::moveToTrash, QStringLiteral("Move to Trash"), true, true});
        entries.append(Entry{});
    }
    entries.append({Action::check, QStringLiteral("Check This Release Without Installing"),
        !input.product.macDownloads().isEmpty()});
    entries.append({Action::viewInStore, QStringLiteral("View in Store")});
    return entries;
}

LibraryRowPresenter::Row LibraryRowPresenter::present(const Input& input)
{
    Row row;
    row.status = status(input);
    if (input.record && !input.systemCopies.isEmpty())
        row.warningToolTip = input.systemCopies.join(QLatin1Char('\n'));
    row.menu = menu(input);
    row.menuLabel = QStringLiteral("More for ") + input.product.name;
    return row;
}

} // namespace hub
