#pragma once

#include <QString>
#include <QtGlobal>

namespace hub {

// Where one install or verification stands. The pipeline reports resolving,
// downloading, verifying, installing and installed; queued, paused and failed
// belong to the caller's job.
class InstallStage {
public:
    enum class Kind { queued, resolving, downloading, paused, verifying, installing, installed, failed };

    static InstallStage queued() { return InstallStage(Kind::queued); }
    static InstallStage resolving() { return InstallStage(Kind::resolving); }
    static InstallStage downloading(qint64 received, qint64 expected);
    static InstallStage paused() { return InstallStage(Kind::paused); }
    static InstallStage verifying() { return InstallStage(Kind::verifying); }
    static InstallStage installing() { return InstallStage(Kind::installing); }
    static InstallStage installed() { return InstallStage(Kind::installed); }
    static InstallStage failed(QString message);

    // Resolving, downloading, verifying or installing.
    bool isActive() const;

    bool operator==(const InstallStage&) const = default;

    Kind kind;
    qint64 received = 0; // downloading only
    qint64 expected = 0; // downloading only
    QString message;     // failed only: the text shown

private:
    explicit InstallStage(Kind kind) : kind(kind) {}
};

} // namespace hub
