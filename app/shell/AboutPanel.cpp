#include "app/shell/AboutPanel.h"

#include "app/model/Beta.h"
#include "app/views/kit/Labels.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QIcon>
#include <QVBoxLayout>

namespace hub {

namespace {

QLabel* centred(QLabel* label)
{
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

// The credits with the feedback address kept on one line: a line may not break after
// the address's hyphens.
QString creditsText()
{
    QString address = QLatin1String(Beta::feedbackAddress);
    address.replace(u'-', QStringLiteral("-\u2060"));
    return Beta::aboutCredits().replace(QLatin1String(Beta::feedbackAddress), address);
}

} // namespace

AboutPanel::AboutPanel(const QJsonObject& info, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tavren Hub"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(6);

    QLabel* icon = centred(Labels::plain(QString(), TextStyle::body, this));
    icon->setPixmap(QIcon::fromTheme(QStringLiteral("com.tavren.hub")).pixmap(64, 64));
    layout->addWidget(icon);
    layout->addWidget(centred(Labels::plain(QStringLiteral("Tavren Hub"), TextStyle::title3, this, QFont::Bold)));
    layout->addWidget(centred(Labels::secondary(Labels::plain(QStringLiteral("Version ") + Beta::version(info), TextStyle::callout, this))));
    layout->addSpacing(6);

    QLabel* credits = centred(Labels::secondary(Labels::plain(creditsText(), TextStyle::caption, this)));
    credits->setObjectName(QStringLiteral("credits"));
    credits->setWordWrap(true);
    layout->addWidget(credits);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    setFixedWidth(340);
}

AboutPanel* AboutPanel::present(QWidget* window, const QJsonObject& info)
{
    auto* panel = window->findChild<AboutPanel*>(QString(), Qt::FindDirectChildrenOnly);
    if (!panel)
        panel = new AboutPanel(info, window);
    panel->show();
    panel->raise();
    panel->activateWindow();
    return panel;
}

} // namespace hub
