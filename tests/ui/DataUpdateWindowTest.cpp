#include "TestWindow.h"
#include "net/TZipArchive.h"
#include "ui/Tgeteng.h"
#include "workflow/MainModel.h"

#include "../net/TestServers.h"

#include <QAction>
#include <QLCDNumber>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// A workspace whose update address is a local server's archive of a new catalogue.
struct UpdateSetup {
    TestWorkspace ws;
    QTemporaryDir root;
    HttpTestServer server{root.path()};

    UpdateSetup()
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("sites/Sites.dat"), "Alpha\r\n");
        ws.write(s("settings.dat"), "[SETTINGS]\r\nUpdateURL=" + server.url(s("/zlsites.zip")).toLatin1() + "\r\n");
        QFile catalogue(root.filePath(s("Sites.dat")));
        if (catalogue.open(QIODevice::WriteOnly))
            catalogue.write("Alpha\r\nBeta\r\n");
        catalogue.close();
        TZipArchive zip;
        zip.setZipFilename(root.filePath(s("zlsites.zip")));
        zip.setFileSpecs({catalogue.fileName()});
        zip.Add();
    }
};

} // namespace

TEST(DataUpdateWindow, TheMenuEntryAsksAboutChangesThenOpensTheDialog)
{
    UpdateSetup setup;
    TestWindow w(setup.ws);
    QAction* entry = w.frame.command("UpdateDataItem");
    ASSERT_NE(entry, nullptr);
    w.frame.model().company().setField(CompanyField::Phone, s("555"));
    w.prompts.shown.clear();
    w.prompts.saveAnswers = {UserPrompts::Answer::Cancel};
    EXPECT_FALSE(withModal([&] { entry->trigger(); }, [](QWidget*) {})) << "Cancel opens nothing";
    EXPECT_EQ(w.prompts.messages(), QStringList{s("askSave: Would you like to save Changed Company Info?")});

    w.prompts.shown.clear();
    w.prompts.saveAnswers = {UserPrompts::Answer::No};
    const bool shown = withModal([&] { entry->trigger(); }, [&](QWidget* modal) {
        auto* dialog = qobject_cast<Tgeteng*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), s("Update Data Files"));
        EXPECT_EQ(dialog->startButton()->text(), s("Start Update"));
        EXPECT_EQ(dialog->percentDisplay()->digitCount(), 3);
        EXPECT_EQ(dialog->bar()->maximum(), 100);
        EXPECT_EQ(dialog->statusLabel()->text(), QString());
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(w.frame.isVisible()) << "closing the dialog before it starts changes nothing";
    EXPECT_EQ(setup.ws.read(s("sites/Sites.dat")), QByteArray("Alpha\r\n"));

    // A proxy port that is no number keeps the dialog from opening, saying why.
    w.frame.model().settings().port = s("8o8o");
    w.prompts.shown.clear();
    w.prompts.saveAnswers = {UserPrompts::Answer::No};
    EXPECT_FALSE(withModal([&] { entry->trigger(); }, [](QWidget*) {}));
    ASSERT_EQ(w.prompts.messages().size(), 2);
    EXPECT_TRUE(w.prompts.messages().last().contains(u"\"8o8o\""));
}

TEST(DataUpdateWindow, AfterAnUpdateTheWindowClosesAskingNothingMore)
{
    UpdateSetup setup;
    TestWindow w(setup.ws);
    w.frame.model().company().setField(CompanyField::Phone, s("555"));
    w.prompts.shown.clear();
    w.prompts.saveAnswers = {UserPrompts::Answer::No};
    bool closedItself = false;
    const bool shown = withModal([&] { w.frame.command("UpdateDataItem")->trigger(); }, [&](QWidget* modal) {
        static_cast<Tgeteng*>(modal)->startButton()->click();
        closedItself = !modal->isVisible();
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(closedItself);
    for (int i = 0; i < 250 && w.frame.isVisible(); ++i)
        QTest::qWait(20);
    EXPECT_FALSE(w.frame.isVisible());
    EXPECT_EQ(w.prompts.messages(), (QStringList{s("askSave: Would you like to save Changed Company Info?"),
                                                 s("info: Data File Update Complete"),
                                                 s("info: You must now restart Zentrel!")}));
    EXPECT_EQ(setup.ws.read(s("sites/Sites.dat")), QByteArray("Alpha\r\nBeta\r\n"));
}
