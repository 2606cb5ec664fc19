#include "app/shell/AboutPanel.h"

#include "app/model/Beta.h"
#include "app/shell/PanelParts.h"
#include "app/views/kit/Labels.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace hub {

namespace {

QLabel* centred(QLabel* label)
{
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

// The credits with the feedback address kept on one line.
QString creditsText()
{
    return Beta::aboutCredits().replace(
        QLatin1String(Beta::feedbackAddress), PanelParts::unbroken(QLatin1String(Beta::feedbackAddress)));
}

} // namespace

AboutPanel::AboutPanel(const QJsonObject& info, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tavren Hub"));
    QVBoxLayout* layout = PanelParts::column(this, QStringLiteral("Tavren Hub"));
    layout->addWidget(centred(Labels::secondary(Labels::plain(QStringLiteral("Version ") + Beta::version(info), TextStyle::callout, this))));
    layout->addSpacing(6);

    QLabel* credits = centred(Labels::secondary(Labels::plain(creditsText(), TextStyle::subheadline, this)));
    credits->setObjectName(QStringLiteral("credits"));
    credits->setWordWrap(true);
    layout->addWidget(credits);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addSpacing(8);
    layout->addWidget(buttons);
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
