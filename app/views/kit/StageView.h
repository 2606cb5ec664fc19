#pragma once

#include "app/views/kit/ProgressPresenter.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace hub {

class Spinner;

// One line per install stage: a symbol label, a spinner with its text, or the
// download's bar with its byte counts. Updated in place; a one-line stage is as tall
// as the bar with its counts.
class StageView : public QWidget {
    Q_OBJECT

public:
    explicit StageView(QWidget* parent = nullptr);
    StageView(const InstallStage& stage, std::optional<double> fraction, QWidget* parent = nullptr);

    void setStage(const InstallStage& stage, std::optional<double> fraction);
    const ProgressPresenter::Line& line() const { return line_; }

private:
    void show(const ProgressPresenter::Line& line);

    ProgressPresenter::Line line_;
    QLabel* symbol_;
    Spinner* spinner_;
    QLabel* text_;
    QProgressBar* bar_;
    QLabel* bytes_;
    bool shown_ = false;
};

} // namespace hub
