#include "kit/security/ServerTrust.h"

#include <openssl/err.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

namespace hub {

namespace {

using X509Ptr = std::unique_ptr<X509, decltype(&X509_free)>;

X509Ptr parse(const QByteArray& der)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    return {d2i_X509(nullptr, &bytes, long(der.size())), X509_free};
}

QByteArray toDer(X509* certificate)
{
    const int length = i2d_X509(certificate, nullptr);
    if (length <= 0)
        return {};
    QByteArray der(length, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    i2d_X509(certificate, &out);
    return der;
}

} // namespace

ServerTrust::ServerTrust(QList<QByteArray> certificates, std::shared_ptr<const TrustStore> store)
    : certificates_(std::move(certificates)), store_(std::move(store))
{
}

ServerTrust ServerTrust::fromChain(const stack_st_X509* chain, std::shared_ptr<const TrustStore> store)
{
    QList<QByteArray> certificates;
    for (int i = 0; chain && i < sk_X509_num(chain); ++i)
        certificates.append(toDer(sk_X509_value(chain, i)));
    return ServerTrust(std::move(certificates), std::move(store));
}

std::optional<QList<QByteArray>> ServerTrust::evaluate(const QString& host) const
{
    if (certificates_.isEmpty() || !store_ || host.isEmpty())
        return std::nullopt;

    X509Ptr leaf = parse(certificates_.first());
    if (!leaf)
        return std::nullopt;
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> untrusted(
        sk_X509_new_null(), [](STACK_OF(X509)* stack) { sk_X509_pop_free(stack, X509_free); });
    for (qsizetype i = 1; i < certificates_.size(); ++i) {
        X509Ptr certificate = parse(certificates_[i]);
        if (!certificate)
            return std::nullopt;
        sk_X509_push(untrusted.get(), certificate.release());
    }

    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> context(X509_STORE_CTX_new(),
                                                                           X509_STORE_CTX_free);
    if (!context || X509_STORE_CTX_init(context.get(), store_->store(), leaf.get(), untrusted.get()) != 1)
        return std::nullopt;
    X509_STORE_CTX_set_purpose(context.get(), X509_PURPOSE_SSL_SERVER);
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const QByteArray name = host.toLower().toUtf8();
    if (X509_VERIFY_PARAM_set1_host(parameters, name.constData(), size_t(name.size())) != 1)
        return std::nullopt;

    const bool verified = X509_verify_cert(context.get()) == 1;
    ERR_clear_error();
    if (!verified)
        return std::nullopt;

    QList<QByteArray> chain = fromChain(X509_STORE_CTX_get0_chain(context.get()), store_).certificates();
    if (chain.isEmpty())
        return std::nullopt;
    return chain;
}

} // namespace hub
