#include "kit/api/HTTPTransport.h"

#include <curl/curl.h>

namespace hub {

std::optional<QByteArray> headerValue(const HttpHeaders& headers, QByteArrayView name)
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QString TransportError::message() const
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return QStringLiteral("A server with the specified hostname could not be found.");
    case CURLE_COULDNT_CONNECT: return QStringLiteral("Could not connect to the server.");
    case CURLE_OPERATION_TIMEDOUT: return QStringLiteral("The request timed out.");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM: return QStringLiteral("The network connection was lost.");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CLIENTCERT:
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("An SSL error has occurred and a secure connection to the server cannot be made.");
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING: return QStringLiteral("The server sent a response that could not be read.");
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT: return QStringLiteral("The address is not supported.");
    case CURLE_ABORTED_BY_CALLBACK: return QStringLiteral("The request was cancelled.");
    case CURLE_FILESIZE_EXCEEDED: return QStringLiteral("The response was larger than allowed.");
    case CURLE_FAILED_INIT:
    case CURLE_OUT_OF_MEMORY: return QStringLiteral("The connection could not be set up.");
    default: return QStringLiteral("The request could not be completed.");
    }
}

} // namespace hub
