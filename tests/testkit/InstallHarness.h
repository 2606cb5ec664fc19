#pragma once

#include "kit/api/MoonbaseClient.h"
#include "kit/install/InstallLedger.h"
#include "kit/install/InstallPipeline.h"
#include "kit/security/CodeSigningService.h"
#include "kit/security/SignaturePolicy.h"
#include "tests/testkit/ArchiveEntry.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QTemporaryDir>
#include <memory>

namespace hub::test {

// A store, a download host and a home for tests of the install pipeline. The store's
// API is a ScriptedTransport behind a signed-in MoonbaseClient on "api.store.test";
// downloads come from a LoopbackTlsServer for "bucket.objects.test" through the real
// Downloader; the real Extractor and BundleInstaller work in a temporary folder with
// its own home, applications folder, Trash, ledger and work root.
//
//   InstallHarness harness(std::make_shared<NativeCodeSigning>(anchors()));
//   const Download download = harness.publish("synth-mac", "Synth.zip", zipBytes);
//   harness.pipeline().run({"p1", "Synth", "1.0", download}, std::nullopt, {});
class InstallHarness {
public:
    explicit InstallHarness(std::shared_ptr<const CodeSigningService> signing,
                            SignaturePolicy policy = SignaturePolicy::tavren());

    // Serves `handler` at "/files/<key>" and has the store resolve the download's path
    // there. The download's size is `storeSize`.
    Download publish(const QString& key, const QString& name, qint64 storeSize, LoopbackTlsServer::Handler handler);
    // The same for content served with ranges under a strong ETag, at its own size unless told.
    Download publish(const QString& key, const QString& name, const QByteArray& content, qint64 storeSize = -1);
    // The store's answer to GET /api/customer/inventory/products/<encoded id>.
    void offer(const QByteArray& encodedId, const QByteArray& summaryJson);

    // Over the harness's client, a fresh downloader, extractor and installer, and the ledger.
    InstallPipeline pipeline() const;

    QString path(const QString& relative) const { return root_.filePath(relative); }
    QString home() const { return path(QStringLiteral("home")); }
    QString applications() const { return path(QStringLiteral("Applications")); }
    QString trash() const { return path(QStringLiteral("Trash")); }
    QString workRoot() const { return path(QStringLiteral("work")); }
    // home + "Library/Audio/Plug-Ins/VST3"
    QString vst3Folder() const;

    // Every entry below a folder as archive entries under `prefix` (files, folders, links, modes).
    static QList<ArchiveEntry> entriesOf(const QString& folder, const QByteArray& prefix);

private:
    QTemporaryDir root_;
    SignaturePolicy policy_;
    std::shared_ptr<const CodeSigningService> signing_;
    CertificateFactory::Chain chain_;

public:
    LoopbackTlsServer downloads;
    std::shared_ptr<ScriptedTransport> store = std::make_shared<ScriptedTransport>();
    std::shared_ptr<MoonbaseClient> client;
    std::shared_ptr<InstallLedger> ledger;
};

} // namespace hub::test
