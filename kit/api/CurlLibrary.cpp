#include "kit/api/CurlLibrary.h"

#include "kit/api/HTTPTransport.h"
#include "kit/api/NetworkLog.h"

#include <dlfcn.h>
#include <mutex>
#include <optional>

namespace hub {

namespace {

// The soname of the libcurl whose headers the kit is built with.
constexpr const char* soname = "libcurl.so.4";

template <typename Function>
bool bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

std::optional<CurlLibrary> open(QString& failure)
{
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        failure = QString::fromLocal8Bit(dlerror());
        return std::nullopt;
    }
    decltype(&curl_global_init) globalInit = nullptr;
    CurlLibrary curl{};
    const bool bound = bind(library, "curl_global_init", globalInit) && bind(library, "curl_easy_init", curl.easy_init)
        && bind(library, "curl_easy_cleanup", curl.easy_cleanup) && bind(library, "curl_easy_setopt", curl.easy_setopt)
        && bind(library, "curl_easy_getinfo", curl.easy_getinfo) && bind(library, "curl_easy_strerror", curl.easy_strerror)
        && bind(library, "curl_multi_init", curl.multi_init) && bind(library, "curl_multi_cleanup", curl.multi_cleanup)
        && bind(library, "curl_multi_add_handle", curl.multi_add_handle)
        && bind(library, "curl_multi_remove_handle", curl.multi_remove_handle)
        && bind(library, "curl_multi_perform", curl.multi_perform) && bind(library, "curl_multi_poll", curl.multi_poll)
        && bind(library, "curl_multi_wakeup", curl.multi_wakeup) && bind(library, "curl_multi_info_read", curl.multi_info_read)
        && bind(library, "curl_multi_strerror", curl.multi_strerror) && bind(library, "curl_slist_append", curl.slist_append)
        && bind(library, "curl_slist_free_all", curl.slist_free_all);
    if (!bound) {
        failure = QString::fromLocal8Bit(dlerror());
        return std::nullopt;
    }
    // The library stays open for the life of the process.
    globalInit(CURL_GLOBAL_DEFAULT);
    return curl;
}

} // namespace

const CurlLibrary& CurlLibrary::get()
{
    static std::once_flag once;
    static std::optional<CurlLibrary> library;
    static QString failure;
    std::call_once(once, [] { library = open(failure); });
    if (!library) {
        qCWarning(logNetwork).noquote() << "libcurl could not be opened:" << failure;
        throw TransportError(CURLE_FAILED_INIT, QStringLiteral("The connection could not be set up (%1).").arg(failure));
    }
    return *library;
}

} // namespace hub
