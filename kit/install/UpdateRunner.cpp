#include "kit/install/UpdateRunner.h"

#include "kit/support/Version.h"

#include <algorithm>

namespace hub {

namespace {

// The text a user reads for any error: our own errors' messages, the others' descriptions.
QString reasonOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

} // namespace

UpdateRunner::UpdateRunner(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger,
                           InstallPipeline pipeline)
    : client(std::move(client)), ledger(std::move(ledger)), pipeline(std::move(pipeline))
{
}

UpdateRunner UpdateRunner::standard(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger,
                                    const PinnedTrust& trust, const ConnectionOptions& options)
{
    InstallPipeline pipeline = InstallPipeline::standard(client, ledger, trust, options);
    return UpdateRunner(std::move(client), std::move(ledger), std::move(pipeline));
}

UpdateRunner::Outcome UpdateRunner::run(std::stop_token stop) const
{
    Outcome outcome;
    for (const InstallRecord& record : ledger->all()) {
        try {
            const ProductSummary summary = client->product(record.productId);
            const std::optional<QString> offered = summary.currentVersion ? summary.currentVersion : summary.version;
            if (!offered || !(Version(record.version) < Version(*offered)))
                continue;
            const QList<Download> downloads = summary.macDownloads();
            if (downloads.isEmpty())
                continue;
            const auto matching = std::find_if(downloads.cbegin(), downloads.cend(),
                                               [&](const Download& d) { return d.key == record.downloadKey; });
            const Download& download = matching != downloads.cend() ? *matching : downloads.first();
            pipeline.run(InstallRequest{summary.id, summary.name, *offered, download}, std::nullopt, {}, stop);
            outcome.updated.append({summary.id, summary.name, *offered});
        } catch (...) {
            outcome.failed.append({record.productId, record.productName, reasonOf(std::current_exception())});
        }
    }
    return outcome;
}

} // namespace hub
