#include "devstore/DevstoreServer.h"

#include "devstore/Console.h"
#include "devstore/DeploymentFile.h"
#include "devstore/FixtureCatalog.h"

#include <QDir>
#include <QHttpServerRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>

namespace hub::devstore {

namespace {

QString stateFolder(const QString& state)
{
    if (!QDir().mkpath(state))
        throw std::runtime_error("cannot make the state folder " + state.toStdString());
    QFile::setPermissions(state, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return QDir(state).absolutePath();
}

DevstoreServer::Options withAbsoluteState(DevstoreServer::Options options)
{
    options.state = stateFolder(options.state);
    return options;
}

void seedAccounts(StoreDirectory& directory)
{
    StoreAccount& demo = directory.create(QStringLiteral("Demo Customer"), QStringLiteral("demo@tavren.test"),
                                          QStringLiteral("demo-pass-1"), true);
    for (const FixtureProduct& product : FixtureCatalog::products()) {
        if (product.demoOwns)
            demo.owned << product.id;
    }
    directory.create(QString(), QStringLiteral("noname@tavren.test"), QStringLiteral("demo-pass-1"), true);
    directory.create(QStringLiteral("Empty Shelf"), QStringLiteral("empty@tavren.test"), QStringLiteral("demo-pass-1"), true);
}

} // namespace

DevstoreServer::DevstoreServer(const Options& options)
    : options_(withAbsoluteState(options)),
      keys_(DevstoreKeys::loadOrCreate(options_.state, hosts_)),
      builder_(options_.state, keys_.signer, keys_.notary(), keys_.fingerprint()),
      catalog_(builder_, hosts_),
      downloads_(catalog_, hosts_, keys_.tokenSecret, options_.throttleKbps),
      directory_(TokenSigner(keys_.tokenSecret), options_.accessLifetime),
      store_(directory_, catalog_, downloads_, hosts_),
      identity_(TokenSigner(keys_.tokenSecret), directory_, reviews_, hosts_),
      web_(hosts_, options_.screenshots),
      releases_(hosts_, keys_.tokenSecret),
      control_(catalog_, store_, identity_, downloads_, options_.state)
{
    catalog_.buildAll();
    seedAccounts(directory_);
}

quint16 DevstoreServer::start()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(QSslCertificate::fromData(keys_.tlsLeafPem + keys_.tlsIntermediatePem, QSsl::Pem));
    tls.setPrivateKey(QSslKey(keys_.tlsLeafKeyPem, QSsl::Ec, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    auto* server = new QSslServer(this);
    server->setSslConfiguration(tls);
    if (!server->listen(QHostAddress::LocalHost, options_.port))
        return 0;
    bind(server);
    const quint16 port = server->serverPort();
    writeDeploymentFile(options_.state, hosts_, keys_, port);
    return port;
}

bool DevstoreServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const DevstoreRequest parsed = DevstoreRequest::from(request);
    std::pair<int, qint64> outcome;
    try {
        outcome = dispatch(parsed, socket);
    } catch (const std::exception& error) {
        const DevstoreReply failed = DevstoreReply::problem(500, QStringLiteral("Devstore failure"), QString::fromLocal8Bit(error.what()));
        socket->write(failed.serialized());
        outcome = {500, failed.body.size()};
    }
    say(QStringLiteral("%1 %2 %3 %4 %5")
            .arg(QString::fromLatin1(parsed.method), parsed.host, parsed.path)
            .arg(outcome.first)
            .arg(outcome.second));
    return true;
}

void DevstoreServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket)
{
    socket->write(DevstoreReply::empty(404).serialized());
}

std::pair<int, qint64> DevstoreServer::dispatch(const DevstoreRequest& request, QTcpSocket* socket)
{
    if (request.host == hosts_.files || request.host.endsWith(u'.' + hosts_.downloadDomain))
        return downloads_.serve(request, socket);
    DevstoreReply reply;
    if (request.host == hosts_.api)
        reply = request.segments.value(0) == u"__devstore" ? control_.handle(request) : store_.handle(request);
    else if (request.host == hosts_.identity)
        reply = identity_.handle(request);
    else if (request.host == hosts_.web || request.host == hosts_.asset) {
        const auto release = request.host == hosts_.web ? releases_.handle(request) : std::nullopt;
        reply = release ? *release : web_.handle(request);
    }
    else
        reply = DevstoreReply::problem(421, QStringLiteral("Misdirected"), QStringLiteral("This server does not play that host."));
    socket->write(reply.serialized());
    return {reply.status, reply.body.size()};
}

} // namespace hub::devstore
