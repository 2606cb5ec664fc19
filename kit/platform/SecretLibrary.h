#pragma once

// libsecret first: glib's headers use names that Qt defines as macros.
#include <libsecret/secret.h>

namespace hub {

// libsecret, opened by the first keychain call rather than with the program: it brings
// GIO, GObject and a dozen libraries below them, and nothing before the first screen
// reads the keychain.
struct SecretLibrary {
    decltype(&secret_service_search_sync) service_search_sync;
    decltype(&secret_item_get_locked) item_get_locked;
    decltype(&secret_item_get_secret) item_get_secret;
    decltype(&secret_value_new) value_new;
    decltype(&secret_value_get) value_get;
    decltype(&secret_value_unref) value_unref;
    decltype(&secret_password_storev_binary_sync) password_storev_binary_sync;
    decltype(&secret_password_clearv_sync) password_clearv_sync;
    decltype(&g_object_unref) object_unref;
    // The error domains the answers are told apart by.
    GQuark secretError;
    GQuark ioError;
    GQuark dbusError;

    // The library, opened once (from any thread); nullptr when it cannot be opened or
    // lacks a function (logged once).
    static const SecretLibrary* get();
};

} // namespace hub
