#pragma once

#include "app/model/Sleeper.h"
#include "kit/api/StorefrontProduct.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace hub {

class AppModel;

// The screenshot generator of "--snapshot DIR": drives real main windows through the
// model's state alone (selection, path, search), waits for each screen to load and
// settle, and writes what the window draws into DIR as PNG files. The caller quits.
class Snapshotter {
public:
    struct Shot {
        QString name; // also the file's base name
        std::function<void()> setup;
    };
    struct Waits {
        std::chrono::milliseconds shot{4000};
        std::chrono::milliseconds fullPage{5000};
        std::chrono::milliseconds settle{1000};
        std::chrono::milliseconds job{60000}; // the longest wait for the account shots' release check
        std::chrono::milliseconds poll{250};
    };

    static inline const QString pageProductId = QStringLiteral("tv-reverb");
    static inline const QString galleryProductId = QStringLiteral("tv-compressor");
    // The devstore's demo store account.
    static inline const QString demoEmail = QStringLiteral("demo@tavren.test");
    static inline const QString demoPassword = QStringLiteral("demo-pass-1");

    // The windows beside the main one, made by the caller, which holds what they need.
    struct Panels {
        std::function<QWidget*()> settings; // the Settings window's content
        std::function<QWidget*()> about;    // the About panel
    };

    static QCoro::Task<> run(QString folder, AppModel& model, Sleeper sleep, Waits waits, Panels panels = {});
    static QCoro::Task<> run(QString folder, AppModel& model, Sleeper sleep, Panels panels = {})
    {
        return run(std::move(folder), model, std::move(sleep), Waits{}, std::move(panels));
    }

    // The product of the "product" shot and the full product page: the page product,
    // else the first in the store.
    static std::optional<StorefrontProduct> pageProduct(const QList<StorefrontProduct>& products);
    // The shots of the main window, in order; conditions read once, here.
    static QList<Shot> shots(AppModel& model, const std::optional<StorefrontProduct>& page);
    // The shots of the signed-in account, after all others: library, updates, downloads.
    static QList<Shot> accountShots(AppModel& model);
    // Signs in to the demo account and runs one release check to its end.
    static QCoro::Task<> prepareAccount(AppModel& model, Sleeper sleep, Waits waits);
    // The still frames of the launch splash, in order.
    static const QList<std::pair<QString, double>>& splashFrames();
    // Writes what `widget` draws; false when the file could not be written.
    static bool capture(QWidget& widget, const QString& file);
};

} // namespace hub
