#include "kit/api/PinnedExchange.h"

#include "kit/api/CurlLibrary.h"
#include "kit/api/NetworkLog.h"

#include <QUrl>
#include <limits>
#include <curl/curl.h>
#include <memory>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace hub {

Q_LOGGING_CATEGORY(logNetwork, "com.tavren.hub.network")

namespace {

// The transport's own words go to the log; the user sees the error's short sentence.
TransportError failure(const QString& host, int code, const QString& detail)
{
    qCWarning(logNetwork).noquote() << "request to" << host << "failed:" << detail;
    return TransportError(code, detail);
}

// What the verify callback needs, hung on the SSL_CTX curl makes per connection.
struct TrustDecision {
    const PinnedTrust* trust; // null: ordinary evaluation for the host
    QString host;
    std::shared_ptr<const TrustStore> store;
};

int contextIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Per connection: 0 undecided, 1 accepted, 2 refused.
int verdictIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Called by OpenSSL at every depth, sometimes several times at one. Everything
// is decided once, at the leaf, by the pins over the chain OpenSSL built.
int verifyPeer(int /*preverified*/, X509_STORE_CTX* store)
{
    if (X509_STORE_CTX_get_error_depth(store) != 0)
        return 1;
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (!ssl)
        return 0;
    const auto* decision = static_cast<const TrustDecision*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextIndex()));
    if (!decision)
        return 0;
    auto verdict = reinterpret_cast<intptr_t>(SSL_get_ex_data(ssl, verdictIndex()));
    if (verdict == 0) {
        STACK_OF(X509)* chain = X509_STORE_CTX_get1_chain(store);
        const ServerTrust presented = ServerTrust::fromChain(chain, decision->store);
        const bool accepted = decision->trust ? decision->trust->accepts(presented, decision->host)
                                              : presented.evaluate(decision->host).has_value();
        sk_X509_pop_free(chain, X509_free);
        verdict = accepted ? 1 : 2;
        SSL_set_ex_data(ssl, verdictIndex(), reinterpret_cast<void*>(verdict));
    }
    if (verdict != 1)
        return 0;
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
}

CURLcode configureTls(CURL*, void* sslContext, void* data)
{
    auto* context = static_cast<SSL_CTX*>(sslContext);
    auto* decision = static_cast<TrustDecision*>(data);
    SSL_CTX_set1_cert_store(context, decision->store->store());
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // The trust decision is made once per connection: no renegotiation after it.
    SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_ex_data(context, contextIndex(), decision);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, verifyPeer);
    return CURLE_OK;
}

struct Transfer {
    CURL* handle;
    const PinnedExchange::HeadSink* onHead;
    const PinnedExchange::BodySink* onBody;
    int status = 0;
    HttpHeaders headers;
    bool headDelivered = false;
    bool stoppedBySink = false;
};

size_t receiveHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    QByteArrayView line(data, qsizetype(length));
    if (line.startsWith("HTTP/")) {
        transfer->headers.clear();
    } else if (line.trimmed().isEmpty()) {
        // The status as curl read it: the line itself may be spaced oddly.
        long status = 0;
        CurlLibrary::get().easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
        transfer->status = int(status);
        if (transfer->status >= 200) {
            transfer->headDelivered = true;
            if (!(*transfer->onHead)(transfer->status, transfer->headers)) {
                transfer->stoppedBySink = true;
                return 0;
            }
        }
    } else if ((line.startsWith(' ') || line.startsWith('\t')) && !transfer->headers.isEmpty()) {
        transfer->headers.last().second += ' ' + line.trimmed().toByteArray();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        transfer->headers.append({line.first(colon).trimmed().toByteArray(),
                                  line.sliced(colon + 1).trimmed().toByteArray()});
    }
    return length;
}

size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (!(*transfer->onBody)(QByteArrayView(data, qsizetype(length)))) {
        transfer->stoppedBySink = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return length;
}

struct CurlSlist {
    curl_slist* list = nullptr;
    void append(const QByteArray& line) { list = CurlLibrary::get().slist_append(list, line.constData()); }
    ~CurlSlist() { CurlLibrary::get().slist_free_all(list); }
};

} // namespace

PinnedExchange::PinnedExchange(const PinnedTrust& trust, const ConnectionOptions& options) : trust_(trust), options_(options) {}

PinnedExchange::PinnedExchange(const ConnectionOptions& options) : options_(options) {}

void PinnedExchange::prepare()
{
    CurlLibrary::get();
    if (!ConnectionOptions::deployed().trustStore)
        TrustStore::system();
}

PinnedExchange::Outcome PinnedExchange::perform(const HttpRequest& request, const Timeouts& timeouts,
                                                const HeadSink& onHead, const BodySink& onBody,
                                                std::stop_token stop) const
{
    // The deployed options are read by the first request (as libcurl is opened), not by building a transport.
    const ConnectionOptions& options = options_.isDefault() ? ConnectionOptions::deployed() : options_;
    const QString host = QUrl(QString::fromUtf8(request.url)).host(QUrl::FullyEncoded).toLower();
    TrustDecision decision{trust_ ? &*trust_ : nullptr, host, options.trustStore ? options.trustStore : TrustStore::system()};
    Transfer transfer{nullptr, &onHead, &onBody};
    char errorText[CURL_ERROR_SIZE] = {};

    const CurlLibrary& curl = CurlLibrary::get();
    std::unique_ptr<CURL, decltype(curl.easy_cleanup)> easy(curl.easy_init(), curl.easy_cleanup);
    std::unique_ptr<CURLM, decltype(curl.multi_cleanup)> multi(curl.multi_init(), curl.multi_cleanup);
    if (!easy || !multi)
        throw failure(host, CURLE_OUT_OF_MEMORY, QStringLiteral("The connection could not be set up."));
    CURL* handle = easy.get();
    transfer.handle = handle;

    // The options the security rests on: one that does not take fails the request.
    const auto require = [&curl, &host](CURLcode code, const char* option) {
        if (code != CURLE_OK)
            throw failure(host, int(code), QStringLiteral("The connection could not be secured (%1: %2).")
                                                .arg(QString::fromLatin1(option), QString::fromUtf8(curl.easy_strerror(code))));
    };
    require(curl.easy_setopt(handle, CURLOPT_URL, request.url.constData()), "URL");
    require(curl.easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L), "PATH_AS_IS");
    require(curl.easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https"), "PROTOCOLS_STR");
    require(curl.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L), "FOLLOWLOCATION");
    require(curl.easy_setopt(handle, CURLOPT_PROXY, ""), "PROXY");
    curl.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);

    require(curl.easy_setopt(handle, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2)), "SSLVERSION");
    require(curl.easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L), "SSL_VERIFYPEER");
    require(curl.easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L), "SSL_VERIFYHOST");
    curl.easy_setopt(handle, CURLOPT_CAINFO, nullptr);
    curl.easy_setopt(handle, CURLOPT_CAPATH, nullptr);
    require(curl.easy_setopt(handle, CURLOPT_SSL_SESSIONID_CACHE, 0L), "SSL_SESSIONID_CACHE");
    require(curl.easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, configureTls), "SSL_CTX_FUNCTION");
    require(curl.easy_setopt(handle, CURLOPT_SSL_CTX_DATA, &decision), "SSL_CTX_DATA");

    curl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(timeouts.connect.count()));
    curl.easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(timeouts.total.count()));
    curl.easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl.easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, std::max(1L, long(timeouts.idle.count() / 1000)));

    CurlSlist connectTo;
    for (auto entry = options.connectTo.constBegin(); entry != options.connectTo.constEnd(); ++entry)
        connectTo.append(entry.key().toUtf8() + ":443:127.0.0.1:" + QByteArray::number(entry.value()));
    curl.easy_setopt(handle, CURLOPT_CONNECT_TO, connectTo.list);

    CurlSlist headers;
    for (const auto& [name, value] : request.headers)
        headers.append(value.isEmpty() ? name + ';' : name + ": " + value);
    headers.append("Expect:");
    curl.easy_setopt(handle, CURLOPT_HTTPHEADER, headers.list);

    if (request.method == "GET") {
        curl.easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        curl.easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
        curl.easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.constData());
        // A POST, PUT or PATCH without a body still says Content-Length: 0.
        static const char empty[] = "";
        const bool sendsBody = request.body || request.method == "POST" || request.method == "PUT" || request.method == "PATCH";
        if (sendsBody) {
            curl.easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body ? request.body->size() : 0));
            curl.easy_setopt(handle, CURLOPT_POSTFIELDS, request.body ? request.body->constData() : empty);
        }
    }

    curl.easy_setopt(handle, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl.easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, receiveBody);
    curl.easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);

    // The multi interface only so that a stop request wakes the wait at once.
    if (curl.multi_add_handle(multi.get(), handle) != CURLM_OK)
        throw failure(host, CURLE_FAILED_INIT, QStringLiteral("The connection could not be set up."));
    CURLcode result = CURLE_OK;
    bool finished = false;
    bool stopped = false;
    CURLMcode multiFailure = CURLM_OK;
    {
        std::stop_callback wake(stop, [&multi, &curl] { curl.multi_wakeup(multi.get()); });
        int running = 1;
        while (true) {
            multiFailure = curl.multi_perform(multi.get(), &running);
            if (stop.stop_requested()) {
                stopped = true;
                break;
            }
            if (multiFailure != CURLM_OK || running == 0)
                break;
            multiFailure = curl.multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
            if (multiFailure != CURLM_OK)
                break;
        }
        int queued = 0;
        while (CURLMsg* message = curl.multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
                finished = true;
                result = message->data.result;
            }
        }
    }
    curl.multi_remove_handle(multi.get(), handle);

    if (stopped || transfer.stoppedBySink)
        return Outcome::stopped;
    if (multiFailure != CURLM_OK)
        throw failure(host, CURLE_RECV_ERROR, QString::fromUtf8(curl.multi_strerror(multiFailure)));
    if (result != CURLE_OK) {
        const QString detail = errorText[0] ? QString::fromUtf8(errorText) : QString::fromUtf8(curl.easy_strerror(result));
        throw failure(host, int(result), detail);
    }
    // Only a transfer curl reports done, whose final head reached the sink, is a response.
    if (!finished || !transfer.headDelivered)
        throw failure(host, CURLE_GOT_NOTHING, QStringLiteral("The server sent no complete response."));
    return Outcome::completed;
}

HttpResponse PinnedExchange::send(const HttpRequest& request, const Timeouts& timeouts) const
{
    HttpResponse response;
    const qint64 limit = request.maxBodyBytes.value_or(std::numeric_limits<qint64>::max());
    const Outcome outcome = perform(
        request, timeouts,
        [&response](int status, const HttpHeaders& headers) {
            response.status = status;
            response.headers = headers;
            return true;
        },
        [&response, limit](QByteArrayView bytes) {
            if (bytes.size() > limit - response.body.size())
                return false;
            response.body.append(bytes);
            return true;
        },
        request.stop);
    if (outcome == Outcome::stopped && request.stop.stop_requested())
        throw TransportError(CURLE_ABORTED_BY_CALLBACK, QStringLiteral("The request was stopped."));
    if (outcome == Outcome::stopped)
        throw TransportError(CURLE_FILESIZE_EXCEEDED, QStringLiteral("The response was larger than allowed."));
    return response;
}

} // namespace hub
