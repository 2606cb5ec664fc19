#include "app/views/library/UpdatesPresenter.h"

#include "app/views/library/RelativeDate.h"

#include <algorithm>

namespace hub {

QString UpdatesPresenter::checkedLine(const std::optional<QDateTime>& lastChecked, const QDateTime& now)
{
    if (!lastChecked)
        return QStringLiteral("Not checked yet");
    return QStringLiteral("Checked ") + RelativeDate::named(*lastChecked, now);
}

QList<InstallRecord> UpdatesPresenter::newestFirst(QList<InstallRecord> records)
{
    std::stable_sort(records.begin(), records.end(),
        [](const InstallRecord& a, const InstallRecord& b) { return a.installedAt > b.installedAt; });
    return records;
}

QString UpdatesPresenter::toggleTitle(bool expanded)
{
    return expanded ? QStringLiteral("Less") : QStringLiteral("More");
}

UpdatesPresenter::Screen UpdatesPresenter::present(const Input& input)
{
    Screen screen;
    screen.checkedLine = checkedLine(input.lastChecked, input.now);
    screen.showsUpdateAll = input.updates.size() >= 2;
    if (!input.signedIn)
        screen.block = Block::signIn;
    else if (input.updates.isEmpty())
        screen.block = Block::upToDate;
    else
        screen.block = Block::available;
    if (screen.block == Block::available) {
        for (const Update& update : input.updates) {
            AvailableRow row{update.product,
                update.installedVersion.value_or(QString()) + QStringLiteral(" to ") + update.latestVersion.value_or(QString()),
                std::nullopt};
            if (update.notes && !update.notes->isEmpty())
                row.notes = update.notes;
            screen.available.append(row);
        }
    }
    for (const InstallRecord& record : newestFirst(input.installed)) {
        const auto product = input.storeProducts.constFind(record.productId);
        screen.installed.append({record.productId, record.productName,
            record.version + QStringLiteral(", ") + RelativeDate::named(record.installedAt, input.now),
            product == input.storeProducts.constEnd() ? std::nullopt : std::optional(*product)});
    }
    return screen;
}

} // namespace hub
