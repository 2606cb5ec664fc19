// A Library row's older-copy tooltip shows one path per line, and its icon follows a
// changed icon address.

#include "app/views/kit/ProductIcon.h"
#include "app/views/library/LibraryRow.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QTextDocument>
#include <gtest/gtest.h>

using namespace hub;

TEST(LibraryRow, OlderCopiesOnePerLineAndTheIconFollowsItsAddress)
{
    ModelHarness harness;
    const QStringList copies{QStringLiteral("/Library/Audio/Plug-Ins/VST3/TV Reverb.vst3"),
        QStringLiteral("/Library/Audio/Plug-Ins/Components/TV Reverb.component")};
    harness.engine->systemCopiesFound = copies;
    std::unique_ptr<AppModel> model = harness.makeModel();
    InstallRecord record = Fixtures::record("rv", "TV Reverb", "1.2");
    record.items = {{harness.path(QStringLiteral("TV Reverb.vst3")), BundleKind::vst3, QStringLiteral("com.tavren.rv"),
        QStringLiteral("KD4N8RWT2C"), std::nullopt}};
    model->library().setInstalled({record});

    const QString host = *HostPolicy::tavren().assetHosts.begin();
    StorefrontProduct product = Fixtures::product("rv", "TV Reverb");
    product.iconUrl = QStringLiteral("https://%1/icons/old.png").arg(host);
    LibraryRow row(*model, product);

    QString tip;
    for (const QWidget* child : row.findChildren<QWidget*>())
        if (child->toolTip().contains(QStringLiteral("Plug-Ins")))
            tip = child->toolTip();
    QTextDocument shown;
    shown.setHtml(tip);
    EXPECT_EQ(shown.toPlainText(), copies.join(u'\n'));

    ProductIcon* icon = row.findChild<ProductIcon*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->url(), QUrl(*product.iconUrl));
    product.iconUrl = QStringLiteral("https://%1/icons/new.png").arg(host);
    row.refresh(product);
    EXPECT_EQ(icon->url(), QUrl(*product.iconUrl));
}
