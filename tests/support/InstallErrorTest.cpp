#include "kit/support/ByteCountFormatter.h"
#include "kit/support/InstallError.h"

#include <gtest/gtest.h>

using hub::ByteCountFormatter;
using hub::InstallError;

TEST(InstallError, Messages)
{
    QLocale::setDefault(QLocale::c());
    const QList<std::pair<InstallError, QString>> table = {
        {InstallError::sizeMismatch(1000, 999), QStringLiteral("The download is 999 bytes; the store said 1000. Discarded.")},
        {InstallError::sizeMismatch(-5, 1234567), QStringLiteral("The download is 1234567 bytes; the store said -5. Discarded.")},
        {InstallError::downgrade(QStringLiteral("Example.app"), QStringLiteral("2.1"), QStringLiteral("2.0")),
         QStringLiteral("Example.app 2.0 is older than the installed 2.1. Refused, so an old release cannot replace a newer one.")},
        {InstallError::toolFailed(QStringLiteral("pkgutil"), QStringLiteral("timed out")), QStringLiteral("pkgutil failed: timed out")},
        {InstallError::placementFailed({}), QStringLiteral("Could not put the files in place: ")},
        {InstallError::unsafeArchive({}), QStringLiteral("The download was refused: .")},
        {InstallError::untrustedContainer(QStringLiteral("unsigned")), QStringLiteral("The download's own signature was refused: unsigned.")},
        {InstallError::appRunning(QStringLiteral("Synth")), QStringLiteral("Quit Synth first, then install again.")},
        {InstallError::occupied(QStringLiteral("Synth.vst3")),
         QStringLiteral("Something that is not this Tavren product is already installed as Synth.vst3. Nothing was replaced. Move it aside to install.")},
        {InstallError::tooLarge(2'500'000'000), QStringLiteral("The download expands to 2.5 GB, over the limit.")},
        {InstallError::unknownFormat(), QStringLiteral("The download is not a package, disk image or zip archive.")},
        {InstallError::nothingToInstall(), QStringLiteral("The download contains no Mac app or plug-in.")},
        {InstallError::alreadyProcessing(), QStringLiteral("This download is already being processed. Try again in a minute.")},
        {InstallError::workFolderBusy(QStringLiteral("/home/ada/.cache/com.tavren.hub/work")),
         QStringLiteral("Another process is using the download folder /home/ada/.cache/com.tavren.hub/work. Try again in a minute.")},
    };
    for (const auto& [error, text] : table) {
        EXPECT_EQ(error.message(), text);
        EXPECT_STREQ(error.what(), text.toUtf8().constData());
    }
    QLocale::setDefault(QLocale::system());
}

TEST(InstallError, EqualityIsByCaseAndPayload)
{
    EXPECT_NE(InstallError::unknownFormat(), InstallError::nothingToInstall());
    EXPECT_EQ(InstallError::unknownFormat(), InstallError::unknownFormat());
    EXPECT_NE(InstallError::toolFailed(QStringLiteral("ditto"), QStringLiteral("a")),
              InstallError::toolFailed(QStringLiteral("ditto"), QStringLiteral("b")));
    EXPECT_NE(InstallError::placementFailed(QStringLiteral("x")), InstallError::unsafeArchive(QStringLiteral("x")));
    EXPECT_NE(InstallError::sizeMismatch(1, 2), InstallError::sizeMismatch(2, 1));
}

TEST(ByteCountFormatter, FileStyle)
{
    const QList<std::pair<std::int64_t, const char*>> table = {
        {0, "Zero KB"},
        {1, "1 byte"},
        {-1, "-1 byte"},
        {999, "999 bytes"},
        {1000, "1 KB"},
        {1499, "1 KB"},
        {1500, "2 KB"},
        {999'499, "999 KB"},
        {999'999, "1 MB"},
        {1'000'000, "1 MB"},
        {1'250'000, "1.3 MB"},
        {12'345'678, "12.3 MB"},
        {1'000'000'000, "1 GB"},
        {1'234'567'890, "1.23 GB"},
        {1'200'000'000, "1.2 GB"},
        {-2'000'000, "-2 MB"},
        {5'000'000'000'000, "5 TB"},
        {INT64_MAX, "9.22 EB"},
    };
    for (const auto& [count, text] : table)
        EXPECT_EQ(ByteCountFormatter::fileString(count, QLocale::c()), QString::fromUtf8(text)) << count;
    EXPECT_EQ(ByteCountFormatter::fileString(1'250'000, QLocale(QLocale::German)), QStringLiteral("1,3 MB"));
}
