#include "app/views/library/DownloadRow.h"

#include "app/model/AppModel.h"
#include "app/views/kit/ControlSlot.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/ProgressPresenter.h"
#include "app/views/kit/StageView.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/TextButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hub {

using Control = DownloadsPresenter::Control;

DownloadRow::DownloadRow(AppModel& model, InstallJob& job, QWidget* parent)
    : QWidget(parent), model_(model), job_(&job), icon_(new ProductIcon(std::nullopt, QString(), 44, this)),
      stage_(new StageView(this)), controls_(new ControlSlot(this))
{
    FocusKeeper::mark(this, FocusKeeper::Place::row);
    const DownloadsPresenter::Row row = DownloadsPresenter::row(job.request(), job.stage(), job.verifyOnly());
    name_ = row.name;
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 6, 0, 6);
    line->setSpacing(14);
    line->addWidget(icon_, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* title = new QHBoxLayout;
    title->addWidget(Labels::plain(row.name, TextStyle::headline, this));
    title->addWidget(Labels::secondary(Labels::plain(row.version, TextStyle::body, this)));
    badge_ = Labels::plain(DownloadsPresenter::checkOnly, TextStyle::caption, this);
    Theme::setRole(badge_, "tag");
    title->addWidget(badge_);
    title->addStretch(1);
    column->addLayout(title);
    QLabel* download = Labels::plain(row.downloadName, TextStyle::caption, this);
    Labels::setColor(download, Theme::primary(0.45));
    column->addWidget(download);
    stage_->setMinimumWidth(260);
    column->addWidget(stage_);
    notes_ = Labels::secondary(Labels::plain(QString(), TextStyle::caption, this));
    notes_->setWordWrap(true);
    column->addWidget(notes_);
    line->addLayout(column, 1);

    line->addWidget(controls_, 0, Qt::AlignVCenter);
    showIcon();
    showCheckOnly();
    showStage();
}

void DownloadRow::showIcon()
{
    const std::optional<StorefrontProduct> product = job_ ? model_.catalog().storeProduct(job_->request().productId) : std::nullopt;
    if (product)
        icon_->setProduct(product->iconUrl, product->name);
    icon_->setVisible(product.has_value());
}

void DownloadRow::showCheckOnly()
{
    if (job_)
        badge_->setVisible(job_->verifyOnly());
}

void DownloadRow::showProgress()
{
    if (job_)
        stage_->setStage(job_->stage(), ProgressPresenter::fraction(job_->stage()));
}

void DownloadRow::showNotes()
{
    if (!job_)
        return;
    const QString notes = DownloadsPresenter::row(job_->request(), job_->stage(), job_->verifyOnly(), job_->notes()).notes;
    notes_->setText(notes);
    notes_->setVisible(!notes.isEmpty());
}

void DownloadRow::showStage()
{
    if (!job_)
        return;
    showProgress();
    showNotes();
    const QList<DownloadsPresenter::Button> buttons = DownloadsPresenter::controls(job_->stage());
    if (buttonBuilds_ > 0 && buttons == buttons_)
        return;
    buttons_ = buttons;
    ++buttonBuilds_;
    auto* shown = new QWidget(controls_);
    auto* row = new QHBoxLayout(shown);
    row->setContentsMargins(0, 0, 0, 0);
    for (const DownloadsPresenter::Button& button : buttons) {
        auto* made = new QPushButton(button.title, shown);
        made->setAccessibleDescription(name_);
        if (button.prominent)
            TextButtons::asProminent(made, TextButtons::Size::small);
        else
            TextButtons::asRegular(made, button.destructive);
        connect(made, &QPushButton::clicked, this, [this, control = button.control] { press(control); });
        row->addWidget(made);
    }
    controls_->replace(shown);
}

void DownloadRow::press(Control control)
{
    if (!job_)
        return;
    switch (control) {
    case Control::pause:
        job_->pause();
        break;
    case Control::cancel:
        model_.queue().cancel(job_);
        break;
    case Control::resume:
    case Control::retry:
        model_.queue().resume(job_);
        break;
    }
}

} // namespace hub
