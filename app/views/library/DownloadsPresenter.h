#pragma once

#include "kit/install/InstallRequest.h"
#include "kit/install/InstallStage.h"

#include <QList>
#include <optional>

namespace hub {

// The Downloads screen from plain values: each job's row texts and buttons, and
// whether "Clear Finished" is enabled.
struct DownloadsPresenter {
    enum class Control { pause, cancel, resume, retry };

    struct Button {
        Control control;
        QString title;
        bool destructive = false;
        bool prominent = false;
        bool operator==(const Button&) const = default;
    };

    struct Row {
        QString name;
        QString version;
        QString downloadName;
        bool checkOnly = false;
        InstallStage stage = InstallStage::queued();
        std::optional<double> fraction;
        QList<Button> buttons;
        QString notes; // one line per note of a finished install
    };

    static Row row(const InstallRequest& request, const InstallStage& stage, bool verifyOnly, const QStringList& notes = {});
    static QList<Button> controls(const InstallStage& stage);
    // Some job failed or is installed.
    static bool canClearFinished(const QList<InstallStage>& stages);

    static inline const QString title = QStringLiteral("Downloads");
    static inline const QString clearFinished = QStringLiteral("Clear Finished");
    static inline const QString checkOnly = QStringLiteral("Check only");
    static inline const QString emptyTitle = QStringLiteral("No downloads");
    static inline const QString emptyMessage = QStringLiteral("Installs, updates and release checks show their progress here.");
};

} // namespace hub
