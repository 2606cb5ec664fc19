#include "app/views/kit/AccountFooter.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/AccountCommand.h"
#include "app/views/kit/Avatar.h"
#include "app/views/kit/ElidedLabel.h"
#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Theme.h"

#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace hub {

namespace {

// A button that reads checked while its section is the current one.
class FooterAccessible : public QAccessibleWidget {
public:
    explicit FooterAccessible(AccountFooter* footer) : QAccessibleWidget(footer, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = footer()->isCurrent();
        return state;
    }
    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            footer()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    AccountFooter* footer() const { return static_cast<AccountFooter*>(widget()); }
};

QAccessibleInterface* footerFactory(const QString& className, QObject* object)
{
    return className == QLatin1String(AccountFooter::staticMetaObject.className()) ? new FooterAccessible(static_cast<AccountFooter*>(object))
                                                                                   : nullptr;
}

} // namespace

AccountFooter::AccountFooter(AppModel& model, QWidget* parent)
    : QAbstractButton(parent), model_(model), avatar_(new Avatar(QStringLiteral("?"), 30, false, this)),
      title_(new ElidedLabel({}, TextStyle::callout, 1, this)), subtitle_(new ElidedLabel({}, TextStyle::caption, 1, this))
{
    Accessibility::addFactory(footerFactory);
    QFont medium = title_->font();
    medium.setWeight(QFont::Medium);
    title_->setFont(medium);
    subtitle_->setColor(Theme::secondary());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 8, 8);
    row->setSpacing(10);
    row->addWidget(avatar_, 0, Qt::AlignVCenter);
    // The lines centred on the avatar, also the title alone.
    auto* lines = new QVBoxLayout;
    lines->setSpacing(0);
    lines->addStretch(1);
    lines->addWidget(title_);
    lines->addWidget(subtitle_);
    lines->addStretch(1);
    row->addLayout(lines, 1);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus); // reached by Tab, where it draws the focus ring; a click leaves the focus
    connect(this, &QAbstractButton::clicked, this, &AccountFooter::press);
    auto* rebuilder = new Rebuilder(this, [this] { rebuild(); });
    rebuilder->watch(&model.accounts(), &Accounts::storeUserChanged);
    rebuilder->watch(&model.accounts(), &Accounts::tavrenProfileChanged);
    rebuilder->watch(&model.navigation(), &Navigation::selectionChanged);
    rebuild();
}

QString AccountFooter::title() const { return title_->text(); }
QString AccountFooter::subtitle() const { return subtitle_->isVisible() ? subtitle_->text() : QString(); }

void AccountFooter::rebuild()
{
    const Accounts& accounts = model_.accounts();
    const PagePresenter::Footer footer = PagePresenter::footer(accounts.storeUser().has_value(),
        accounts.tavrenProfile().has_value(), accounts.displayName(), accounts.displayEmail());
    avatar_->set(footer.avatarText, footer.signedIn);
    title_->setText(footer.title);
    subtitle_->setText(footer.subtitle);
    subtitle_->setVisible(footer.signedIn);
    // Named by what it opens; a screen reader hears of each new name.
    const QString name = footer.signedIn ? QStringLiteral("Account") : footer.title;
    const QString description = footer.signedIn ? footer.title + QStringLiteral(", ") + footer.subtitle : QString();
    if (name != accessibleName())
        setAccessibleName(name);
    if (description != accessibleDescription())
        setAccessibleDescription(description);
    const bool current = model_.navigation().selection() == HubSection::account;
    if (current != highlighted_) {
        highlighted_ = current;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void AccountFooter::press()
{
    AccountCommand::run(model_);
}

void AccountFooter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (highlighted_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::primary(0.08));
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }
    if (hasFocus())
        FocusHighlight::paint(painter, rect(), 8, Theme::accent());
}

} // namespace hub
