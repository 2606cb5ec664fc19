#include "app/views/signin/SignInView.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Artwork.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/SymbolName.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/TabOrder.h"
#include "app/views/kit/Theme.h"
#include "app/views/signin/FormButton.h"
#include "app/views/signin/StoreSignInForm.h"
#include "app/views/signin/TavrenIDForm.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace hub {

namespace {

// The maker's mark in a 64 by 64 frame.
class Mark : public QWidget {
public:
    explicit Mark(QWidget* parent) : QWidget(parent) { setFixedSize(64, 64); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        Artwork::paint(painter, Artwork::mark, rect());
    }
};

// One segment of the account picker.
QPushButton* segment(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setFont(Typography::font(TextStyle::callout));
    Theme::setRole(button, "trackSegment");
    return button;
}

} // namespace

SignInView::SignInView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), title_(Labels::plain(QString(), TextStyle::title2, this, QFont::Bold)),
      subtitle_(Labels::secondary(Labels::plain(QString(), TextStyle::callout, this))), picker_(new QWidget(this)),
      modes_(new QButtonGroup(this)), formArea_(new QVBoxLayout), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    setFixedWidth(sheetWidth);
    setAutoFillBackground(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QVBoxLayout;
    header->setContentsMargins(32, 28, 32, 18);
    header->setSpacing(10);
    header->addWidget(new Mark(this), 0, Qt::AlignHCenter);
    title_->setObjectName(QStringLiteral("title"));
    title_->setAlignment(Qt::AlignCenter);
    header->addWidget(title_);
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    subtitle_->setAlignment(Qt::AlignCenter);
    subtitle_->setWordWrap(true);
    header->addWidget(subtitle_);
    column->addLayout(header);

    // The picker's label is for accessibility only.
    picker_->setObjectName(QStringLiteral("picker"));
    picker_->setAccessibleName(QStringLiteral("Account"));
    auto* pickerRow = new QHBoxLayout(picker_);
    pickerRow->setContentsMargins(32, 0, 32, 16);
    auto* track = new QWidget(picker_);
    track->setObjectName(QStringLiteral("track"));
    track->setAttribute(Qt::WA_StyledBackground);
    Theme::setRole(track, "track");
    auto* segments = new QHBoxLayout(track);
    segments->setContentsMargins(2, 2, 2, 2);
    segments->setSpacing(2);
    for (const auto& [mode, title] : SignInSheetPresenter::modes()) {
        QPushButton* button = segment(title, track);
        segments->addWidget(button, 1);
        modes_->addButton(button, int(mode));
    }
    modes_->button(int(mode_))->setChecked(true);
    // Any change of the checked segment, the accessibility Toggle action's included.
    connect(modes_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            setMode(SignInSheetPresenter::Mode(id));
    });
    pickerRow->addWidget(track);
    column->addWidget(picker_);

    formArea_->setContentsMargins(32, 0, 32, 0);
    column->addLayout(formArea_);
    column->addSpacing(22);

    auto* footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("footer"));
    footer->setAttribute(Qt::WA_StyledBackground);
    Theme::setRole(footer, "material");
    auto* bar = new QHBoxLayout(footer);
    bar->setContentsMargins(24, 14, 24, 14);
    auto* shield = new QLabel(footer);
    shield->setPixmap(Symbols::pixmap("lock.shield"_symbol, 14, Theme::secondary()));
    Accessibility::hide(shield); // the note beside it says it
    bar->addWidget(shield);
    QLabel* note = Labels::secondary(Labels::plain(SignInSheetPresenter::keychainNote, TextStyle::caption, footer));
    note->setObjectName(QStringLiteral("keychainNote"));
    note->setWordWrap(true);
    bar->addWidget(note, 1);
    cancel_ = new FormButton(QStringLiteral("Cancel"), FormButton::Look::regular, TextStyle::body, footer);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(cancel_, &QPushButton::clicked, this, &SignInView::cancel);
    bar->addWidget(cancel_);
    column->addWidget(footer);

    rebuilder_->watch(&model_.accounts(), &Accounts::signInPurposeChanged);
    rebuild();
}

void SignInView::setMode(SignInSheetPresenter::Mode mode)
{
    mode_ = mode;
    if (QAbstractButton* button = modes_->button(int(mode)))
        button->setChecked(true);
    rebuild();
}

void SignInView::rebuild()
{
    const SignInSheetPresenter::Screen screen = SignInSheetPresenter::screen(model_.accounts().signInPurpose(), mode_);
    title_->setText(screen.title);
    subtitle_->setText(screen.subtitle);
    picker_->setVisible(screen.picker);
    if (shown_ == screen.form)
        return;
    // The other form: built afresh, so nothing typed into the one left is kept.
    if (form_) {
        formArea_->removeWidget(form_);
        form_->hide();
        form_->deleteLater();
    }
    if (screen.form == SignInSheetPresenter::Form::store) {
        const std::optional<TavrenIDProfile>& profile = model_.accounts().tavrenProfile();
        form_ = new StoreSignInForm(model_,
            SignInSheetPresenter::prefill(profile ? std::optional<QStringList>(profile->allEmails()) : std::nullopt), this);
    } else {
        form_ = new TavrenIDForm(model_, this);
    }
    shown_ = screen.form;
    formArea_->addWidget(form_);
    // The form stands above Cancel, and so comes before it in Tab order.
    TabOrder::after(form_, cancel_);
}

void SignInView::keyPressEvent(QKeyEvent* event)
{
    // Escape acts as Cancel.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SignInView::cancel()
{
    // The sheet goes when the model's flag does; the purpose stays as it is.
    model_.accounts().setShowSignIn(false);
}

} // namespace hub
