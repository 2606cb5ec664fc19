// libsecret first: glib's headers use names that Qt defines as macros.
#include "kit/platform/SecretLibrary.h"

#include "kit/platform/KeychainLog.h"
#include "kit/platform/SecretService.h"

#include <memory>

namespace hub {
Q_LOGGING_CATEGORY(logKeychain, "com.tavren.hub.keychain")
} // namespace hub

namespace hub::SecretService {

namespace {

const SecretSchema* schema()
{
    // The schema name is stored but not matched: items are found by their two attributes alone.
    static const SecretSchema value = {
        "com.tavren.hub.GenericPassword",
        SECRET_SCHEMA_DONT_MATCH_NAME,
        {
            {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
    };
    return &value;
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct TableFree {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};

// The attributes of one item; the returned table borrows the two byte arrays.
std::unique_ptr<GHashTable, TableFree> attributes(const QByteArray& service, const QByteArray& account)
{
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(table, const_cast<char*>("service"), const_cast<char*>(service.constData()));
    g_hash_table_insert(table, const_cast<char*>("account"), const_cast<char*>(account.constData()));
    return std::unique_ptr<GHashTable, TableFree>(table);
}

std::int32_t statusOf(const SecretLibrary& secret, const GError* error)
{
    if (error->domain == secret.secretError) {
        switch (error->code) {
        case SECRET_ERROR_IS_LOCKED: return interactionNotAllowed;
        case SECRET_ERROR_NO_SUCH_OBJECT: return noDefaultKeychain;
        default: return internalComponent;
        }
    }
    if (error->domain == secret.ioError && error->code == G_IO_ERROR_CANCELLED)
        return userCanceled;
    // The service runs but the default collection's object is not there.
    if (error->domain == secret.dbusError && (error->code == G_DBUS_ERROR_UNKNOWN_METHOD || error->code == G_DBUS_ERROR_UNKNOWN_OBJECT))
        return noDefaultKeychain;
    // No session bus, nobody owning the service name, or a service that cannot be started.
    if (error->domain == secret.ioError || error->domain == secret.dbusError)
        return notAvailable;
    return internalComponent;
}

std::int32_t fail(const SecretLibrary& secret, GError* raw, const char* operation)
{
    const ErrorPtr error(raw);
    const std::int32_t status = statusOf(secret, error.get());
    qCWarning(logKeychain, "%s failed (%d; %s %d): %s", operation, status, g_quark_to_string(error->domain), error->code,
              error->message);
    return status;
}

// Whether a locked item answers to the attributes. libsecret reads and deletes
// nothing behind a lock it cannot open, so an empty answer needs this check.
std::int32_t missingOrLocked(const SecretLibrary& secret, GHashTable* attributes)
{
    GError* error = nullptr;
    GList* items = secret.service_search_sync(nullptr, schema(), attributes, SECRET_SEARCH_ALL, nullptr, &error);
    if (error)
        return fail(secret, error, "search");
    bool locked = false;
    for (GList* item = items; item; item = item->next)
        locked = locked || secret.item_get_locked(static_cast<SecretItem*>(item->data));
    g_list_free_full(items, secret.object_unref);
    return locked ? interactionNotAllowed : itemNotFound;
}

} // namespace

std::int32_t copy(const QString& service, const QString& account, QByteArray& data)
{
    const SecretLibrary* secret = SecretLibrary::get();
    if (!secret)
        return notAvailable;
    const QByteArray s = service.toUtf8(), a = account.toUtf8();
    const auto query = attributes(s, a);
    // Never asks to unlock: a locked item is a status of its own, not a password prompt.
    GError* error = nullptr;
    GList* items = secret->service_search_sync(nullptr, schema(), query.get(),
                                               SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr, &error);
    if (error)
        return fail(*secret, error, "lookup");
    std::int32_t status = itemNotFound;
    for (GList* entry = items; entry && status != success; entry = entry->next) {
        auto* item = static_cast<SecretItem*>(entry->data);
        if (secret->item_get_locked(item)) {
            status = interactionNotAllowed;
            continue;
        }
        if (SecretValue* value = secret->item_get_secret(item)) {
            gsize length = 0;
            const gchar* bytes = secret->value_get(value, &length);
            data = QByteArray(bytes, static_cast<qsizetype>(length));
            secret->value_unref(value);
            status = success;
        }
    }
    g_list_free_full(items, secret->object_unref);
    return status;
}

std::int32_t store(const QString& service, const QString& account, const QByteArray& data)
{
    const SecretLibrary* secret = SecretLibrary::get();
    if (!secret)
        return notAvailable;
    const QByteArray s = service.toUtf8(), a = account.toUtf8();
    const QByteArray label = s + ' ' + a;
    // Stored as opaque bytes, so whatever was written reads back unchanged.
    SecretValue* value = secret->value_new(data.constData(), data.size(), "application/octet-stream");
    GError* error = nullptr;
    const gboolean stored = secret->password_storev_binary_sync(schema(), attributes(s, a).get(), SECRET_COLLECTION_DEFAULT,
                                                                label.constData(), value, nullptr, &error);
    secret->value_unref(value);
    if (error)
        return fail(*secret, error, "store");
    return stored ? success : internalComponent;
}

std::int32_t remove(const QString& service, const QString& account)
{
    const SecretLibrary* secret = SecretLibrary::get();
    if (!secret)
        return notAvailable;
    const QByteArray s = service.toUtf8(), a = account.toUtf8();
    const auto query = attributes(s, a);
    GError* error = nullptr;
    const gboolean removed = secret->password_clearv_sync(schema(), query.get(), nullptr, &error);
    if (error)
        return fail(*secret, error, "delete");
    return removed ? success : missingOrLocked(*secret, query.get());
}

std::optional<QString> message(std::int32_t status)
{
    switch (status) {
    case success: return QStringLiteral("No error.");
    case userCanceled: return QStringLiteral("The request to unlock the keyring was dismissed.");
    case internalComponent: return QStringLiteral("The secret service gave an unexpected answer.");
    case notAvailable: return QStringLiteral("No keyring is available: no secret service is running in this session.");
    case itemNotFound: return QStringLiteral("The specified item could not be found in the keyring.");
    case noDefaultKeychain: return QStringLiteral("The secret service has no default keyring.");
    case interactionNotAllowed: return QStringLiteral("The keyring is locked.");
    default: return std::nullopt;
    }
}

} // namespace hub::SecretService
