#include "kit/platform/SecretLibrary.h"

#include "kit/platform/KeychainLog.h"

#include <dlfcn.h>
#include <mutex>
#include <optional>

namespace hub {

namespace {

// The soname of the libsecret whose headers the kit is built with.
constexpr const char* soname = "libsecret-1.so.0";

template <typename Function>
bool bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

std::optional<SecretLibrary> open()
{
    // Never closed: GObject types cannot be unloaded.
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        qCWarning(logKeychain, "The keyring library could not be opened: %s", dlerror());
        return std::nullopt;
    }
    GQuark (*secretError)() = nullptr;
    GQuark (*ioError)() = nullptr;
    GQuark (*dbusError)() = nullptr;
    SecretLibrary secret{};
    const bool bound = bind(library, "secret_service_search_sync", secret.service_search_sync)
        && bind(library, "secret_item_get_locked", secret.item_get_locked) && bind(library, "secret_item_get_secret", secret.item_get_secret)
        && bind(library, "secret_value_new", secret.value_new) && bind(library, "secret_value_get", secret.value_get)
        && bind(library, "secret_value_unref", secret.value_unref)
        && bind(library, "secret_password_storev_binary_sync", secret.password_storev_binary_sync)
        && bind(library, "secret_password_clearv_sync", secret.password_clearv_sync)
        // GObject and GIO come with libsecret, so its handle finds them too.
        && bind(library, "g_object_unref", secret.object_unref) && bind(library, "secret_error_get_quark", secretError)
        && bind(library, "g_io_error_quark", ioError) && bind(library, "g_dbus_error_quark", dbusError);
    if (!bound) {
        qCWarning(logKeychain, "The keyring library lacks a function: %s", dlerror());
        return std::nullopt;
    }
    secret.secretError = secretError();
    secret.ioError = ioError();
    secret.dbusError = dbusError();
    return secret;
}

} // namespace

const SecretLibrary* SecretLibrary::get()
{
    static std::once_flag once;
    static std::optional<SecretLibrary> library;
    std::call_once(once, [] { library = open(); });
    return library ? &*library : nullptr;
}

} // namespace hub
