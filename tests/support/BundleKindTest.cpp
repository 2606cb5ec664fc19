#include "kit/support/BundleKind.h"

#include <gtest/gtest.h>

using hub::BundleKind;

TEST(BundleKind, KindsFromNamesAndRawValues)
{
    EXPECT_EQ(BundleKind::fromPath(u"/x/Synth.VST3"), BundleKind::vst3);
    EXPECT_EQ(BundleKind::fromPath(u"/x/Synth.vst3/"), BundleKind::vst3);
    EXPECT_EQ(BundleKind::fromPath(u"/x/Plugin.Component"), BundleKind::component);
    EXPECT_EQ(BundleKind::fromPath(u"My App.app"), BundleKind::app);
    EXPECT_EQ(BundleKind::fromPath(u"/x/Plugin.bundle"), std::nullopt);
    EXPECT_EQ(BundleKind::fromPath(u"/x/Plugin.vst3.zip"), std::nullopt);
    EXPECT_EQ(BundleKind::fromPath(u"/x.vst3/Plugin"), std::nullopt);
    EXPECT_EQ(BundleKind::fromString(u"Component"), std::nullopt);
    EXPECT_EQ(BundleKind::fromString(u"component"), BundleKind::component);

    QStringList raw;
    QStringList labels;
    for (BundleKind kind : BundleKind::allCases()) {
        raw << kind.toString();
        labels << kind.label();
        EXPECT_EQ(BundleKind::fromString(kind.toString()), kind);
    }
    EXPECT_EQ(raw.join(u','), QStringLiteral("vst3,component,clap,vst,app"));
    EXPECT_EQ(labels.join(u','), QStringLiteral("VST3,Audio Unit,CLAP,VST,App"));
}

TEST(BundleKind, FoldersUnderTheGivenRoots)
{
    const QString home = QStringLiteral("/Users/a");
    const QString applications = QStringLiteral("/tmp/t/Applications/");
    EXPECT_EQ(BundleKind(BundleKind::component).destinationDirectory(home, applications),
              QStringLiteral("/Users/a/Library/Audio/Plug-Ins/Components"));
    EXPECT_EQ(BundleKind(BundleKind::vst3).destinationDirectory(home + u'/', applications),
              QStringLiteral("/Users/a/Library/Audio/Plug-Ins/VST3"));
    EXPECT_EQ(BundleKind(BundleKind::app).destinationDirectory(home, applications), applications);
    EXPECT_EQ(BundleKind(BundleKind::clap).systemDirectory(), QStringLiteral("/Library/Audio/Plug-Ins/CLAP"));
    EXPECT_EQ(BundleKind(BundleKind::app).systemDirectory(), std::nullopt);
}
