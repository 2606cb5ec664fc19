#pragma once

#include <curl/curl.h>

namespace hub {

// libcurl, opened by the first request rather than with the program: the library and
// what it links cost a start-up as much as the whole widget toolkit does, and the
// window shows its first screen before it asks anything of the network.
struct CurlLibrary {
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_wakeup) multi_wakeup;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_multi_strerror) multi_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;

    // The library, opened and initialised once (from any thread); throws a
    // TransportError when it cannot be opened or lacks a function.
    static const CurlLibrary& get();
};

} // namespace hub
