#pragma once

#include "app/model/HubSection.h"
#include "kit/install/InstallStage.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The sidebar's rows: the store sections (Free Tools and Early Access only while the
// feed lists items for them), then the "Yours" group with its count badges.
class SidebarPresenter {
public:
    struct Input {
        qsizetype freeTools = 0;   // items of the feed's shelves
        qsizetype earlyAccess = 0;
        qsizetype updates = 0;     // updates available
        qsizetype activeJobs = 0;  // running or paused install jobs
        qsizetype wishlist = 0;
        std::optional<HubSection> selection;
    };
    // A section row, or (no section) a group header that cannot be selected.
    struct Row {
        std::optional<HubSection> section;
        QString title;
        QString symbol;
        qsizetype badge = 0; // 0 shows nothing
        bool operator==(const Row&) const = default;
    };
    struct Screen {
        QList<Row> rows;
        // The row shown selected: none while nothing or the account is selected.
        std::optional<HubSection> highlighted;
        bool operator==(const Screen&) const = default;
    };

    static inline const QString yours = QStringLiteral("Yours");

    static Screen present(const Input& input);
    static Row row(HubSection section, qsizetype badge = 0);
    // The Downloads badge: jobs running or paused; queued, installed and failed ones do not count.
    static qsizetype activeJobs(const QList<InstallStage>& stages);
    // The text a badge shows; empty for 0.
    static QString badgeText(qsizetype badge);
};

} // namespace hub
