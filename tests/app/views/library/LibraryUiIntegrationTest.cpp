// The library screens on the real pipeline against the devstore: install from the
// Library, pause and resume on the Downloads screen, then a new release updated
// from the Updates screen.

#include "app/views/kit/ActionButton.h"
#include "app/views/kit/Pill.h"
#include "app/views/library/DownloadRow.h"
#include "app/views/library/DownloadsView.h"
#include "app/views/library/LibraryRow.h"
#include "app/views/library/LibraryView.h"
#include "app/views/library/UpdateRow.h"
#include "app/views/library/UpdatesView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/devstore/DevstoreTest.h"

#include <QApplication>
#include <QPushButton>

using namespace hub;
using Kind = InstallStage::Kind;

namespace {

using test::turn;

const QString reverb = QStringLiteral("tv-reverb");

// Clicks the visible button of that title inside `within`: a pill or a push button.
template <typename Button>
void press(QWidget* within, const QString& title)
{
    for (Button* button : within->findChildren<Button*>())
        if (button->text() == title && button->isVisible())
            return button->click();
    ADD_FAILURE() << "no button " << title.toStdString();
}

class LibraryOnDevstore : public test::DevstoreTest {
protected:
    void SetUp() override
    {
            DevstoreTest::SetUp();
            if (IsSkipped())
                return;
            client = DevstoreTest::client();
            client->signIn(QStringLiteral("demo@tavren.test"), QStringLiteral("demo-pass-1"));
    }

    // A model over the harness's files, signed in and refreshed; installs nothing by itself.
    std::unique_ptr<AppModel> refreshedModel()
    {
            Services services = harness.services();
        harness.useRealPipeline(services, client);
        auto model = std::make_unique<AppModel>(std::move(services));
            model->preferences().setAutoUpdate(false);
            model->accounts().setStoreUser(client->currentUser());
            test::await(model->refresh().refreshAll());
            return model;
    }

    void setFault(const QString& fault) const
    {
            store->control("POST", QStringLiteral("/__devstore/download-fault"), {{"fault", fault}});
    }

    ModelHarness harness;
    std::shared_ptr<MoonbaseClient> client;
};

} // namespace

TEST_F(LibraryOnDevstore, InstallPauseResumeThenUpdateANewRelease)
{
    std::unique_ptr<AppModel> model = refreshedModel();
    {
        LibraryView library(*model);
        DownloadsView downloads(*model);
        library.resize(1000, 800);
        downloads.resize(1000, 800);
        library.show();
        downloads.show();
        turn();
        ASSERT_NE(library.row(reverb), nullptr);
        EXPECT_EQ(library.row(reverb)->shown().status, "Not installed. Latest 1.4.0");

        // Installed from its Library row; the download stalls half-way and is paused on the Downloads screen.
        setFault("stall");
        press<Pill>(library.row(reverb), "Install");
        InstallJob* job = model->queue().job(reverb);
        ASSERT_NE(job, nullptr);
        ASSERT_TRUE(test::eventually([&] { return job->stage().kind == Kind::downloading && job->stage().received > 0; }));
        turn();
        ASSERT_NE(downloads.row(reverb), nullptr);
        press<QPushButton>(downloads.row(reverb), "Pause");
        const bool paused = test::eventually([&] { return job->stage().kind == Kind::paused; });
        setFault("none");
        ASSERT_TRUE(paused);
        turn();
        press<QPushButton>(downloads.row(reverb), "Resume");
        ASSERT_TRUE(test::eventually([&] { return job->stage().kind == Kind::installed || job->stage().kind == Kind::failed; }));
        ASSERT_EQ(job->stage().kind, Kind::installed) << job->stage().message.toStdString();
        ASSERT_TRUE(test::eventually([&] { return library.row(reverb) && library.row(reverb)->shown().status.startsWith("1.4.0, "); }));
        EXPECT_TRUE(library.row(reverb)->shown().status.startsWith("1.4.0, Audio Unit + VST3. Installed "));
    }

    // A new release: a fresh start of the app offers it on the Updates screen.
    store->control("POST", QStringLiteral("/__devstore/publish"), {{"product", reverb}, {"version", "1.5.0"}});
    model.reset();
    model = refreshedModel();
    UpdatesView updates(*model);
    updates.resize(1000, 800);
    updates.show();
    turn();
    ASSERT_EQ(updates.screen().block, UpdatesPresenter::Block::available);
    ASSERT_EQ(updates.screen().available.size(), 1);
    EXPECT_EQ(updates.screen().available.first().versionLine, "1.4.0 to 1.5.0");
    EXPECT_TRUE(updates.screen().available.first().notes.has_value());
    EXPECT_FALSE(updates.updateAllButton()->isVisible()) << "one update only";

    press<Pill>(updates.row(reverb), "Update");
    ASSERT_TRUE(test::eventually([&] {
        const InstallJob* update = model->queue().job(reverb);
        return update && (update->stage().kind == Kind::installed || update->stage().kind == Kind::failed);
    }));
    EXPECT_EQ(model->queue().job(reverb)->stage().kind, Kind::installed) << model->queue().job(reverb)->stage().message.toStdString();
    ASSERT_TRUE(test::eventually([&] { return updates.screen().block == UpdatesPresenter::Block::upToDate; }));
    ASSERT_FALSE(updates.screen().installed.isEmpty());
    EXPECT_EQ(updates.screen().installed.first().productId, reverb);
    EXPECT_TRUE(updates.screen().installed.first().detail.startsWith("1.5.0, "));
}
