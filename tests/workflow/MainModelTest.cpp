#include "ModelFixture.h"

#include "engines/TEngBuild.h"

#include <QSignalSpy>
#include <QUrl>

namespace {
using Answer = UserPrompts::Answer;
}

class MainModelTest : public ModelFixture {
protected:
    TEngBuild& engine() { return *model->engine(); }

    // A company, an application with a site list of one site, and the last
    // application written as "Old".
    void writeRecords()
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nPLATFORM=Windows 95\r\n");
        ws.write(s("sites/Sites.dat"), "Alpha\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
        ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=Old\r\n");
    }
    // Every changed mark set: company, application, site list, Site definition.
    void changeEverything()
    {
        company().setField(CompanyField::Phone, s("555"));
        model->application().setField(AppField::Version, s("3.0"));
        model->siteList().setChanged(true);
        engine().LoadSite(s("Alpha"));
        engine().site().useHttpPost = true;
        engine().setModified(true);
    }
    QStringList questions() const
    {
        QStringList asked;
        for (const QString& line : prompts.shown)
            if (line.startsWith(u"askSave: "))
                asked << line.mid(9);
        return asked;
    }
    QByteArray lastApp() const { return ws.read(s("settings.dat")); }
};

TEST_F(MainModelTest, ClosingAsksTheFourQuestionsInOrderAndCancelAtEachKeepsTheWindow)
{
    writeRecords();
    start();
    model->settings().lastAppLoaded = s("Tool");
    changeEverything();
    const QStringList all{s("Would you like to save Changed Company Info?"), s("Would you like to save Tool?"),
                          s("Would you like to save Site Engine Info?"),
                          s("Would you like to save Added/Changed Engine Info?")};

    // Cancel at any of the first three: nothing more happens.
    for (int at = 0; at < 3; ++at) {
        prompts.shown.clear();
        prompts.saveAnswers.assign(size_t(at), Answer::No);
        prompts.saveAnswers.push_back(Answer::Cancel);
        EXPECT_FALSE(model->closeQuery()) << at;
        EXPECT_EQ(questions(), all.mid(0, at + 1));
        EXPECT_EQ(prompts.shown.count(s("beep")), at + 1) << "each question after a beep";
        EXPECT_EQ(lastApp(), QByteArray("[SETTINGS]\r\nLastAppLoaded=Old\r\n"));
    }

    // Cancel at the fourth keeps the window open, yet the application last worked on is written.
    prompts.shown.clear();
    prompts.saveAnswers = {Answer::No, Answer::No, Answer::No, Answer::Cancel};
    EXPECT_FALSE(model->closeQuery());
    EXPECT_EQ(questions(), all);
    EXPECT_EQ(lastApp(), QByteArray("[SETTINGS]\r\nLastAppLoaded=Tool\r\n"));
    EXPECT_FALSE(ws.read(s("sites/Alpha.ini")).contains("USE_HTTP_POST=1"));
    EXPECT_TRUE(engine().modified());
}

TEST_F(MainModelTest, YesAtTheEngineQuestionSavesTheSiteAndRebuildsTheSiteList)
{
    writeRecords();
    start();
    ASSERT_EQ(model->siteList().rows().size(), 1);
    EXPECT_EQ(model->siteList().rows().at(0).http, s("N"));
    changeEverything();
    // A site added in the builder joins the list when it is saved.
    ASSERT_TRUE(engine().AddSite(s("Beta")));
    engine().site().useFtpUpload = true;
    engine().setModified(true);

    prompts.saveAnswers = {Answer::No, Answer::No, Answer::No, Answer::Yes};
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(ws.read(s("sites/Beta.ini")).contains("USE_FTP_UPLOAD=1"));
    EXPECT_FALSE(engine().modified());
    const auto& rows = model->siteList().rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(1).site, s("Beta"));
    EXPECT_EQ(rows.at(1).ftp, s("Y"));
    // The list held unsaved choices: they stay, and nothing is written over them.
    EXPECT_FALSE(ws.read(s("data/Tool_SITES.dat")).contains("Beta"));
    EXPECT_TRUE(model->siteList().changed());
}

TEST_F(MainModelTest, ARunKeepsTheWindowOpenAndItsTabInFront)
{
    writeRecords();
    start();
    changeEverything();
    model->displays().BeginPosting();
    EXPECT_FALSE(model->closeQuery());
    EXPECT_EQ(prompts.shown, QStringList{s("beep")}) << "no question while posting";
    EXPECT_EQ(lastApp(), QByteArray("[SETTINGS]\r\nLastAppLoaded=Old\r\n"));
    prompts.shown.clear();
    EXPECT_FALSE(model->tabChangeAllowed());
    EXPECT_EQ(prompts.messages(), QStringList{s("info: Tab Change Not Allowed While Posting!")});

    model->displays().EndPosting();
    prompts.shown.clear();
    EXPECT_TRUE(model->tabChangeAllowed());
    EXPECT_TRUE(prompts.shown.isEmpty());
    prompts.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(model->closeQuery());
    EXPECT_EQ(questions(), QStringList{s("Would you like to save Changed Company Info?")});
}

TEST_F(MainModelTest, AfterADataUpdateTheWindowClosesWithoutQuestionsAndKeepsLastApp)
{
    writeRecords();
    start();
    model->settings().lastAppLoaded = s("Tool");
    changeEverything();
    QSignalSpy closing(model.get(), &MainModel::closeRequested);
    model->restartAfterUpdate();
    EXPECT_EQ(prompts.messages(), QStringList{s("info: You must now restart Zentrel!")});
    EXPECT_EQ(closing.count(), 1);
    prompts.shown.clear();
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(prompts.shown.isEmpty());
    EXPECT_EQ(lastApp(), QByteArray("[SETTINGS]\r\nLastAppLoaded=Old\r\n"));
    EXPECT_FALSE(ws.read(s("companies/Acme.dat")).contains("555"));
}

TEST_F(MainModelTest, HelpOpensThePageBesideTheProgramAtItsTopic)
{
    start();
    model->showHelp(1002);
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Cannot open file ") + ws.file(s("Zentrel.htm"))});

    ws.write(s("Zentrel.htm"), "<html></html>");
    prompts.shown.clear();
    model->showHelp(1002);
    model->showHelp();
    const QString page = QUrl::fromLocalFile(ws.file(s("Zentrel.htm"))).toString(QUrl::FullyEncoded);
    EXPECT_EQ(prompts.messages(), (QStringList{s("openUrl: ") + page + s("#1002"), s("openUrl: ") + page}));

    prompts.shown.clear();
    prompts.openUrlResult = false;
    model->openPage(MainModel::zentrelHomePage());
    EXPECT_EQ(prompts.messages(), (QStringList{s("openUrl: ") + MainModel::zentrelHomePage(),
                                               s("error: Couldn't launch default browser")}));
}

TEST_F(MainModelTest, AHelpPageUnderAFolderWithBlanksAndHashesOpensAsAValidUrl)
{
    ws.makeDir(s("my #1 folder"));
    auto inner = std::make_unique<MainModel>(prompts, ws.file(s("my #1 folder")), ws.settingsFile());
    ws.write(s("my #1 folder/Zentrel.htm"), "<html></html>");
    inner->showHelp(1000);
    ASSERT_EQ(prompts.messages().size(), 1);
    const QUrl opened(prompts.messages().first().mid(9));
    EXPECT_EQ(opened.toLocalFile(), ws.file(s("my #1 folder/Zentrel.htm")));
    EXPECT_EQ(opened.fragment(), s("1000"));
}

TEST_F(MainModelTest, CountingTheSitesSetsTheRunCounters)
{
    writeRecords();
    start();
    SubmitDisplays& d = model->displays();
    EXPECT_EQ(d.sitesToPost(), 1);
    EXPECT_EQ(d.progressMaximum(), 1);
    d.siteProcessed(1);
    model->siteList().CheckSitesToPost(false);
    EXPECT_EQ(d.sitesToPost(), 1);
    EXPECT_EQ(d.sitesProcessed(), 0);
    EXPECT_EQ(d.progressPosition(), 0);
}

TEST_F(MainModelTest, PrintingAnEmptyLogTellsSo)
{
    start();
    EXPECT_FALSE(model->hasLogToPrint());
    EXPECT_EQ(prompts.messages(), QStringList{s("info: You do not have a log to print.")});
    model->displays().AddLog(s("line"));
    prompts.shown.clear();
    EXPECT_TRUE(model->hasLogToPrint());
    EXPECT_TRUE(prompts.shown.isEmpty());
}
