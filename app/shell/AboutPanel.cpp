#include "app/shell/AboutPanel.h"

#include "app/model/Beta.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace hub {

namespace {

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

AboutPanel::AboutPanel(const QJsonObject& info, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tavren Hub"));
    auto* layout = new QVBoxLayout(this);

    auto* icon = plainLabel(QString(), this);
    icon->setPixmap(QIcon::fromTheme(QStringLiteral("com.tavren.hub")).pixmap(64, 64));
    layout->addWidget(icon);

    auto* name = plainLabel(QStringLiteral("Tavren Hub"), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    layout->addWidget(name);
    layout->addWidget(plainLabel(QStringLiteral("Version ") + Beta::version(info), this));

    auto* credits = plainLabel(Beta::aboutCredits(), this);
    credits->setWordWrap(true);
    QFont small = credits->font();
    small.setPointSizeF(11);
    credits->setFont(small);
    QPalette secondary = credits->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    credits->setPalette(secondary);
    layout->addWidget(credits);
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
