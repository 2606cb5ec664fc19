#include "app/shell/SidebarPresenter.h"

#include <algorithm>

namespace hub {

SidebarPresenter::Row SidebarPresenter::row(HubSection section, qsizetype badge)
{
    return Row{section, title(section), symbol(section), badge};
}

qsizetype SidebarPresenter::activeJobs(const QList<InstallStage>& stages)
{
    return std::count_if(stages.begin(), stages.end(),
        [](const InstallStage& stage) { return stage.isActive() || stage.kind == InstallStage::Kind::paused; });
}

QString SidebarPresenter::badgeText(qsizetype badge)
{
    return badge > 0 ? QString::number(badge) : QString();
}

SidebarPresenter::Screen SidebarPresenter::present(const Input& input)
{
    Screen screen;
    for (HubSection section : {HubSection::discover, HubSection::plugIns, HubSection::apps, HubSection::free})
        screen.rows.append(row(section));
    if (input.freeTools > 0)
        screen.rows.append(row(HubSection::freeTools));
    if (input.earlyAccess > 0)
        screen.rows.append(row(HubSection::earlyAccess));
    screen.rows.append(Row{std::nullopt, yours, {}, 0});
    screen.rows.append(row(HubSection::library));
    screen.rows.append(row(HubSection::updates, input.updates));
    screen.rows.append(row(HubSection::downloads, input.activeJobs));
    screen.rows.append(row(HubSection::wishlist, input.wishlist));

    if (input.selection && *input.selection != HubSection::account) {
        for (const Row& shown : screen.rows)
            if (shown.section == input.selection)
                screen.highlighted = input.selection;
    }
    return screen;
}

} // namespace hub
