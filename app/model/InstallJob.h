#pragma once

#include "app/model/JobRun.h"
#include "kit/downloads/DownloadResumeData.h"
#include "kit/install/InstallRequest.h"
#include "kit/install/InstallStage.h"

#include <QObject>
#include <QStringList>
#include <optional>

namespace hub {

// One queued, running or finished install or check of a product. Its id is the
// product id. Progress is drawn from two signals only: stageChanged on a change
// of stage (not on every byte), and fractionChanged when the download moves by
// a whole per cent. Main thread only.
class InstallJob : public QObject {
    Q_OBJECT
    Q_PROPERTY(hub::InstallStage stage READ stage NOTIFY stageChanged)
    Q_PROPERTY(double fraction READ fraction NOTIFY fractionChanged)
    Q_PROPERTY(bool verifyOnly READ verifyOnly NOTIFY verifyOnlyChanged)
    Q_PROPERTY(std::optional<hub::DownloadResumeData> resumeData READ resumeData NOTIFY resumeDataChanged)
    Q_PROPERTY(bool running READ isRunning NOTIFY taskChanged)
    Q_PROPERTY(QStringList notes READ notes NOTIFY notesChanged)

public:
    InstallJob(InstallRequest request, bool verifyOnly, QObject* parent = nullptr);

    const QString& id() const { return request_.productId; }
    const InstallRequest& request() const { return request_; }
    const InstallStage& stage() const { return stage_; }
    // Received over expected bytes of the download; 0 before it and when the size is unknown.
    double fraction() const { return fraction_; }
    bool verifyOnly() const { return verifyOnly_; }
    const std::optional<DownloadResumeData>& resumeData() const { return resumeData_; }
    // The live run, none while the job is not running.
    const std::optional<JobRun>& task() const { return task_; }
    bool isRunning() const { return task_.has_value(); }
    // What the finished install noted for the user (installer scripts it skipped, ...).
    const QStringList& notes() const { return notes_; }

    void setStage(const InstallStage& stage);
    void setResumeData(const std::optional<DownloadResumeData>& data);
    void setTask(std::optional<JobRun> run);
    void setNotes(const QStringList& notes);
    // Asks the live run to stop; a download ends paused with its resume data.
    void pause();

signals:
    void stageChanged();
    void fractionChanged();
    void verifyOnlyChanged();
    void resumeDataChanged();
    void taskChanged();
    void notesChanged();

private:
    const InstallRequest request_;
    InstallStage stage_ = InstallStage::queued();
    double fraction_ = 0;
    bool verifyOnly_;
    std::optional<DownloadResumeData> resumeData_;
    std::optional<JobRun> task_;
    QStringList notes_;
};

} // namespace hub
