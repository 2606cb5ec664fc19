#pragma once

#include "kit/api/MoonbaseClient.h"
#include "kit/install/InstallLedger.h"
#include "kit/install/InstallPipeline.h"

#include <QList>
#include <QString>
#include <memory>
#include <stop_token>

namespace hub {

// The unattended update pass: for every product in the ledger, asks the store for
// its current release and installs it through the pipeline when it is newer than
// the recorded version. Asks nothing, shows nothing, logs nothing; the caller holds
// the install lock and reports the outcome. Products are done one after another.
class UpdateRunner {
public:
    struct Updated {
        QString productId; // as the store returned it
        QString name;      // as the store returned it
        QString version;   // the version installed
        bool operator==(const Updated&) const = default;
    };
    struct Failed {
        QString productId; // from the ledger record
        QString name;      // from the ledger record
        QString reason;    // the error's user-facing text
        bool operator==(const Failed&) const = default;
    };
    // Both lists in the order the products were processed; products that needed
    // nothing appear in neither.
    struct Outcome {
        QList<Updated> updated;
        QList<Failed> failed;
        bool operator==(const Outcome&) const = default;
    };

    UpdateRunner(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger, InstallPipeline pipeline);
    // The runner over this deployment's pipeline (InstallPipeline::standard).
    static UpdateRunner standard(std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger,
                                 const PinnedTrust& trust = PinnedTrust::tavren(), const ConnectionOptions& options = {});

    // One pass over the ledger. Never throws: each product's failure becomes an entry.
    // The stop token goes to the pipeline, which stops at its next check.
    Outcome run(std::stop_token stop = {}) const;

    std::shared_ptr<MoonbaseClient> client;
    std::shared_ptr<InstallLedger> ledger;
    InstallPipeline pipeline;
};

} // namespace hub
