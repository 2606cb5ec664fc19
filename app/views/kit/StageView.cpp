#include "app/views/kit/StageView.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

namespace hub {

namespace {

QColor color(ProgressPresenter::Tone tone)
{
    switch (tone) {
    case ProgressPresenter::Tone::green: return Theme::green();
    case ProgressPresenter::Tone::red: return Theme::red();
    case ProgressPresenter::Tone::primary: return Theme::primary();
    case ProgressPresenter::Tone::secondary: break;
    }
    return Theme::secondary();
}

} // namespace

StageView::StageView(QWidget* parent)
    : QWidget(parent), symbol_(new QLabel(this)), spinner_(new Spinner(14, this)),
      text_(Labels::plain({}, TextStyle::callout, this)), bar_(new QProgressBar(this)),
      bytes_(Labels::monospacedDigits(Labels::secondary(Labels::plain({}, TextStyle::caption, this))))
{
    Accessibility::hide(symbol_); // the text beside it says it
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(symbol_, 0, Qt::AlignTop);
    row->addWidget(spinner_, 0, Qt::AlignVCenter);
    row->addWidget(text_, 1);
    column->addLayout(row);
    column->addWidget(bar_);
    column->addWidget(bytes_);
    column->addStretch(1);
    bar_->setRange(0, 100); // read as a percentage
    bar_->setTextVisible(false);
    bar_->setFixedHeight(6);
    text_->setWordWrap(true);
    // Every one-line stage is as tall as the download's bar and counts (measured on a
    // line of text), so that a change of stage moves nothing around the view.
    bytes_->setText(QStringLiteral("0"));
    setMinimumHeight(bar_->minimumHeight() + column->spacing() + bytes_->sizeHint().height());
}

StageView::StageView(const InstallStage& stage, std::optional<double> fraction, QWidget* parent) : StageView(parent)
{
    setStage(stage, fraction);
}

void StageView::setStage(const InstallStage& stage, std::optional<double> fraction)
{
    const ProgressPresenter::Line line = ProgressPresenter::line(stage, fraction);
    if (shown_ && line == line_)
        return;
    show(line);
}

void StageView::show(const ProgressPresenter::Line& line)
{
    const bool bar = line.look == ProgressPresenter::Look::bar;
    if (!shown_ || line.look != line_.look || line.symbol != line_.symbol || line.tone != line_.tone) {
        symbol_->setVisible(!line.symbol.isEmpty());
        if (!line.symbol.isEmpty())
            symbol_->setPixmap(Symbols::pixmap(line.symbol, 14, color(line.tone)));
        spinner_->setVisible(line.look == ProgressPresenter::Look::spinner);
        text_->setVisible(!bar);
        bar_->setVisible(bar);
        bytes_->setVisible(bar);
        Labels::setColor(text_, color(line.tone));
        text_->setTextInteractionFlags(line.selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
    }
    if (line.maxLines > 1) {
        const int lineHeight = text_->fontMetrics().lineSpacing();
        text_->setMaximumHeight(lineHeight * line.maxLines);
    } else {
        text_->setMaximumHeight(QWIDGETSIZE_MAX);
    }
    text_->setText(line.text);
    // The bar is a download's; named once, not at every tick.
    if (bar && bar_->accessibleName().isEmpty())
        bar_->setAccessibleName(QStringLiteral("Downloading"));
    bar_->setValue(int(line.fraction * 100));
    bytes_->setText(line.bytes);
    line_ = line;
    shown_ = true;
}

} // namespace hub
