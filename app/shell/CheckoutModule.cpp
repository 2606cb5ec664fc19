#include "app/shell/CheckoutModule.h"

#include "app/model/AppModel.h"
#include "app/views/kit/CheckoutLog.h"

#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace hub {

CheckoutModule::CheckoutModule(QString path) : path_(std::move(path)) {}

QString CheckoutModule::standardPath()
{
    // The folder of the module this code is in (the window module, in the app).
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CheckoutModule::standardPath), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath() + QStringLiteral("/tavren-hub-checkout.so");
}

CheckoutEntry::MakeView CheckoutModule::load()
{
    if (make_)
        return make_;
    const QByteArray file = QFile::encodeName(path_);
    // Kept loaded for the rest of the run: its objects may outlive any one sheet.
    void* handle = file.isEmpty() ? nullptr : dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        qCWarning(checkoutLog, "checkout module not loaded: %s", file.isEmpty() ? "no path" : dlerror());
        return nullptr;
    }
    make_ = reinterpret_cast<CheckoutEntry::MakeView>(dlsym(handle, CheckoutEntry::symbol));
    if (!make_)
        qCWarning(checkoutLog, "checkout module without its entry: %s", dlerror());
    return make_;
}

QWidget* CheckoutModule::makeView(AppModel& model, const CheckoutSession& session)
{
    if (const CheckoutEntry::MakeView make = load())
        return make(model, session);
    model.flash(Banner::Tone::failure, unavailable);
    return nullptr;
}

} // namespace hub
