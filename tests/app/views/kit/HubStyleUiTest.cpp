// The app style's sizes: push buttons as wide as their text and padding (no minimum
// width), the prominent one measured in its bold font, and a role given after a widget
// was first polished taking effect; and the controls that change under the pointer.

#include "app/views/kit/TextButtons.h"
#include "app/views/kit/Theme.h"
#include "app/views/kit/Typography.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <gtest/gtest.h>

namespace hub {
namespace {

QSize textSize(const QPushButton& button, QFont::Weight weight)
{
    QFont font = button.font();
    font.setWeight(weight);
    return QFontMetrics(font).size(Qt::TextShowMnemonic, button.text());
}

class HubStyleUi : public ::testing::Test {
protected:
    HubStyleUi() { Theme::apply(*qApp); }

    void show()
    {
        window.show();
        QApplication::processEvents();
    }

    QWidget window;
};

TEST_F(HubStyleUi, PushButtonsAreTheirTextAndPadding)
{
    auto* plain = new QPushButton(QStringLiteral("OK"), &window);
    plain->setFont(Typography::font(TextStyle::body));
    const struct {
        QPushButton* button;
        QFont::Weight weight;
        QSize padding;
    } cases[] = {
        {plain, QFont::Normal, {28, 10}},
        {TextButtons::regular(QStringLiteral("OK"), &window), QFont::Normal, {24, 8}},
        {TextButtons::prominent(QStringLiteral("Update All"), &window), QFont::DemiBold, {28, 10}},
        {TextButtons::asProminent(new QPushButton(QStringLiteral("Connect"), &window), TextButtons::Size::small), QFont::DemiBold, {24, 8}},
        {TextButtons::asProminent(new QPushButton(QStringLiteral("Update All"), &window), TextButtons::Size::large), QFont::DemiBold, {36, 16}},
        {TextButtons::link(QStringLiteral("See All"), &window), QFont::Normal, {10, 4}},
    };
    show();
    for (const auto& [button, weight, padding] : cases) {
        SCOPED_TRACE(button->text().toStdString() + " " + button->property("role").toString().toStdString() + " "
            + button->property("controlSize").toString().toStdString());
        EXPECT_EQ(button->font().weight(), weight);
        EXPECT_EQ(button->sizeHint(), textSize(*button, weight) + padding);
    }
}

TEST_F(HubStyleUi, ADialogsButtonsHaveRoomForTheirTextInBoldAsTheDefault)
{
    QDialog dialog(&window);
    auto* open = new QPushButton(QStringLiteral("Open in browser"), &dialog);
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    dialog.show();
    QApplication::processEvents();
    for (QPushButton* button : {open, close}) {
        button->setDefault(true);
        EXPECT_GE(button->sizeHint().width(), textSize(*button, QFont::DemiBold).width() + 28) << button->text().toStdString();
        EXPECT_EQ(button->sizeHint().height(), textSize(*button, QFont::Normal).height() + 10);
    }
}

TEST_F(HubStyleUi, ARoleGivenAfterPolishTakesEffect)
{
    auto* button = new QPushButton(QStringLiteral("Update All"), &window);
    button->setFont(Typography::font(TextStyle::body));
    auto* tag = new QLabel(QStringLiteral("Beta"), &window);
    auto* area = new QScrollArea(&window);
    area->setWidget(new QWidget);
    show();

    Theme::setRole(button, "prominent");
    EXPECT_EQ(button->font().weight(), QFont::DemiBold);
    EXPECT_EQ(button->sizeHint(), textSize(*button, QFont::DemiBold) + QSize(28, 10));
    Theme::setRole(button, "link");
    EXPECT_EQ(button->font().weight(), QFont::Normal);
    EXPECT_EQ(button->sizeHint(), textSize(*button, QFont::Normal) + QSize(10, 4));

    Theme::setRole(tag, "tag");
    EXPECT_EQ(tag->contentsMargins(), QMargins(6, 1, 6, 1));
    Theme::setRole(tag, "");
    EXPECT_EQ(tag->contentsMargins(), QMargins());

    Theme::setRole(area, "clear");
    EXPECT_FALSE(area->viewport()->autoFillBackground());
    EXPECT_FALSE(area->widget()->autoFillBackground());
    Theme::setRole(area, "");
    EXPECT_TRUE(area->viewport()->autoFillBackground());
    EXPECT_TRUE(area->widget()->autoFillBackground());
}

TEST_F(HubStyleUi, ControlsThatChangeUnderThePointerAreTracked)
{
    auto* plain = new QPushButton(QStringLiteral("Cancel"), &window);
    QPushButton* link = TextButtons::link(QStringLiteral("See All"), &window);
    auto* tabs = new QTabBar(&window);
    tabs->addTab(QStringLiteral("General"));
    auto* bar = new QScrollBar(Qt::Vertical, &window);
    show();
    for (QWidget* control : QList<QWidget*>{plain, link, tabs, bar})
        EXPECT_TRUE(control->testAttribute(Qt::WA_Hover)) << control->metaObject()->className();
    for (QPushButton* button : {plain, link}) {
        const QImage away = button->grab().toImage();
        button->setAttribute(Qt::WA_UnderMouse);
        EXPECT_NE(button->grab().toImage(), away) << button->text().toStdString();
        button->setAttribute(Qt::WA_UnderMouse, false);
    }
}

} // namespace
} // namespace hub
