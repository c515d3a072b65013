#include "ModelFixture.h"

#include "engines/TEngBuild.h"
#include "records/ZentrelError.h"
#include "workflow/DefaultScripts.h"
#include "workflow/SiteBuilder.h"

#include <QSignalSpy>

namespace {

const char Sep = '\xb1';

} // namespace

class SiteBuilderTest : public ModelFixture {
protected:
    SiteBuilder& builder() { return model->siteBuilder(); }
    TEngBuild& engine() { return *model->engine(); }
    const SiteDefinition& site() { return builder().site(); }

    // A company, an application posting to Alpha and Beta, and a third site, Gamma.
    void writeRecords()
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCEMAIL=me@acme.test\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"),
                 "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\nPLATFORM=Windows 95\r\nSTATUS=Shareware\r\n");
        ws.write(s("sites/Sites.dat"), "Beta\r\nAlpha\r\nGamma\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_CAT1=1\r\nUSE_EMAIL=1\r\n");
        ws.write(s("cat/Alpha Cat1.cat"), "12\">Games\r\n");
        ws.write(s("sites/Beta.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
        ws.write(s("sites/Gamma.ini"), "[SETTINGS]\r\n");
        ws.write(s("data/Tool_SITES.dat"), QByteArray("Alpha") + Sep + "Update" + Sep + "Games" + Sep + "N/A" + Sep
                                               + "1/2/2024" + Sep + "Y\r\n");
    }
    QString siteListFile() const { return QString::fromLatin1(ws.read(s("data/Tool_SITES.dat"))); }
    QStringList sitesInList()
    {
        QStringList names;
        for (const SiteListRow& r : model->siteList().rows())
            names << r.site;
        return names;
    }
};

TEST_F(SiteBuilderTest, EnteringTheTabShowsTheFirstSiteOnlyWhenNoneIsChosen)
{
    writeRecords();
    start();
    EXPECT_FALSE(builder().hasSite()) << "nothing is chosen at start-up";
    builder().enterTab();
    EXPECT_EQ(builder().siteName(), s("Alpha"));
    builder().selectSite(s("Gamma"));
    builder().enterTab();
    EXPECT_EQ(builder().siteName(), s("Gamma"));
}

TEST_F(SiteBuilderTest, SelectingLoadsTheSiteUneditedAndHidesContribute)
{
    writeRecords();
    start();
    builder().selectSite(s("Gamma"));
    builder().edit([](SiteDefinition& d) { d.ftpServer = s("ftp.example.test"); });
    EXPECT_TRUE(builder().modified());
    QSignalSpy shown(&builder(), &SiteBuilder::siteShown);
    builder().selectSite(s("Alpha"));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(builder().modified());
    EXPECT_TRUE(site().useEmail);
    EXPECT_FALSE(site().useFtpUpload);
    EXPECT_TRUE(site().ftpServer.isEmpty()) << "the edit of the other site is dropped";
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(SiteBuilderTest, NewSiteAsksAgainAfterARefusedNameAndCancelEndsIt)
{
    writeRecords();
    start();
    builder().selectSite(s("Alpha"));
    prompts.names = {s("Beta"), s("   "), s("A\xb1" "B"), std::nullopt};
    builder().newSite();
    const QStringList shown = prompts.messages();
    ASSERT_EQ(shown.size(), 6);
    EXPECT_EQ(shown.at(0), s("askName: New Site Name:"));
    EXPECT_EQ(shown.at(1), s("errorWindow: SITE NAME DUPLICATE | The site name you entered is already on the list! | "));
    EXPECT_EQ(shown.at(2), s("askName: New Site Name:"));
    EXPECT_EQ(shown.at(3), s("askName: New Site Name:")) << "blanks only: asked again without a message";
    EXPECT_TRUE(shown.at(4).startsWith(u"error: ")) << "a name holding the site list's separator is refused";
    EXPECT_EQ(shown.at(5), s("askName: New Site Name:"));
    EXPECT_EQ(builder().siteNames(), (QStringList{s("Alpha"), s("Beta"), s("Gamma")}));
    EXPECT_EQ(builder().siteName(), s("Alpha"));
    EXPECT_FALSE(builder().modified());
    EXPECT_FALSE(builder().contributeShown());
    EXPECT_FALSE(ws.exists(s("sites/User_Sites.dat")));
}

TEST_F(SiteBuilderTest, NewSiteWritesItsDefinitionAndOffersContribute)
{
    writeRecords();
    start();
    builder().selectSite(s("Alpha"));
    engine().site().translation(Translation::Windows95) = s("Win95");
    prompts.names = {s("  Mine  ")};
    QSignalSpy catalogue(&builder(), &SiteBuilder::catalogueChanged);
    builder().newSite();
    EXPECT_EQ(catalogue.count(), 1);
    EXPECT_EQ(builder().siteName(), s("Mine"));
    EXPECT_TRUE(builder().modified());
    EXPECT_TRUE(builder().contributeShown());
    EXPECT_FALSE(site().useEmail) << "the new site starts from the new-site values";
    EXPECT_EQ(site().translation(Translation::Windows95), s("Windows 95"));
    const QByteArray ini = ws.read(s("sites/Mine.ini"));
    for (const char* line : {"SITE_TYPE=2\r\n", "SITE_SYSTEM=3\r\n", "ADD_FILE_TO_ZIP=1\r\n", "USE_EMAIL=0\r\n",
                             "MUF_Windows95=Windows 95\r\n"})
        EXPECT_TRUE(ini.contains(line)) << line;
    EXPECT_EQ(ws.read(s("sites/User_Sites.dat")), QByteArray("Mine\r\n"));
    EXPECT_FALSE(sitesInList().contains(s("Mine"))) << "the site list follows at the next Save Site";

    builder().selectSite(s("Gamma"));
    EXPECT_FALSE(builder().contributeShown());
}

TEST_F(SiteBuilderTest, SaveSiteReloadsAListWithoutUnsavedChoices)
{
    writeRecords();
    start();
    prompts.names = {s("Mine")};
    builder().newSite();
    builder().edit([](SiteDefinition& d) { d.useFtpUpload = true; });
    builder().saveSite();
    EXPECT_FALSE(builder().modified());
    EXPECT_TRUE(ws.read(s("sites/Mine.ini")).contains("USE_FTP_UPLOAD=1"));
    EXPECT_EQ(sitesInList(), (QStringList{s("Alpha"), s("Beta"), s("Gamma"), s("Mine")}));
    EXPECT_EQ(model->siteList().rows().at(3).ftp, s("Y"));
    EXPECT_TRUE(siteListFile().contains(s("Mine\xb1New")));
    EXPECT_TRUE(siteListFile().startsWith(s("Alpha\xb1Update\xb1Games")));
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(SiteBuilderTest, SaveSiteKeepsUnsavedSiteListChoicesAndWritesNothing)
{
    writeRecords();
    start();
    ApplicationSiteList& list = model->siteList();
    const QString before = siteListFile();
    list.setCurrentRow(1); // Beta
    ASSERT_TRUE(list.setPost(false));
    list.setCurrentRow(0);
    list.setSubmitNew(true);
    list.setCurrentRow(2); // Gamma stays selected
    builder().selectSite(s("Beta"));
    builder().edit([](SiteDefinition& d) {
        d.useCat2 = true;
        d.useFtpUpload = true;
    });
    builder().saveSite();

    EXPECT_EQ(siteListFile(), before) << "nothing is written over the unsaved choices";
    EXPECT_TRUE(list.changed());
    const auto& rows = list.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.at(0).submit, s("New"));
    EXPECT_EQ(rows.at(0).category1, s("Games"));
    EXPECT_EQ(rows.at(0).lastPost, s("1/2/2024"));
    EXPECT_EQ(rows.at(1).post, s("N"));
    EXPECT_EQ(rows.at(1).ftp, s("Y")) << "the rows follow the saved definition";
    EXPECT_EQ(rows.at(1).category2, s("NOT SET!"));
    EXPECT_EQ(list.currentRow(), 2);
    EXPECT_EQ(list.counts().total, 2);
}

TEST_F(SiteBuilderTest, DeleteSiteAsksThenShowsTheFirstSiteAndDropsTheRow)
{
    writeRecords();
    start();
    builder().selectSite(s("Alpha"));
    builder().edit([](SiteDefinition& d) { d.emailSubject = s("x"); });
    builder().deleteSite();
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), s("confirm: Delete This Site ?")}));
    EXPECT_TRUE(ws.exists(s("sites/Alpha.ini"))) << "No deletes nothing";

    prompts.confirmAnswers = {true};
    builder().deleteSite();
    EXPECT_FALSE(ws.exists(s("sites/Alpha.ini")));
    EXPECT_FALSE(ws.exists(s("cat/Alpha Cat1.cat")));
    EXPECT_EQ(builder().siteName(), s("Beta"));
    EXPECT_FALSE(builder().modified());
    EXPECT_TRUE(site().useHttpPost);
    // No run can post to the deleted site, nor record it as posted.
    EXPECT_EQ(sitesInList(), (QStringList{s("Beta"), s("Gamma")}));
    EXPECT_FALSE(siteListFile().contains(s("Alpha")));
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(SiteBuilderTest, DeletingWithUnsavedChoicesKeepsThemAndTheLastSiteLeavesNone)
{
    writeRecords();
    ws.write(s("sites/Sites.dat"), "Alpha\r\nBeta\r\n");
    start();
    ApplicationSiteList& list = model->siteList();
    list.setCurrentRow(1);
    list.setSubmitNew(false);
    list.setChanged(true);
    builder().selectSite(s("Alpha"));
    prompts.confirmAnswers = {true, true};
    builder().deleteSite();
    ASSERT_EQ(sitesInList(), QStringList{s("Beta")});
    EXPECT_EQ(list.rows().at(0).submit, s("Update"));
    EXPECT_TRUE(siteListFile().contains(s("Alpha"))) << "unsaved choices: the file is left as it was";

    builder().deleteSite();
    EXPECT_FALSE(builder().hasSite());
    EXPECT_TRUE(sitesInList().isEmpty());
    EXPECT_EQ(ws.read(s("sites/Sites.dat")), QByteArray());
}

TEST_F(SiteBuilderTest, WithoutACurrentSiteSaveAndDeleteDoNothing)
{
    writeRecords();
    start();
    builder().saveSite();
    builder().deleteSite();
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(SiteBuilderTest, AddedTextFallsBackToTheUploadWithoutAZip)
{
    writeRecords();
    start();
    builder().selectSite(s("Gamma"));
    builder().setAddedText(AddedTextPlacement::InsideZip);
    EXPECT_EQ(site().addedText, AddedTextPlacement::Separate);
    EXPECT_TRUE(builder().modified());
    builder().setAddedText(AddedTextPlacement::Both);
    EXPECT_EQ(site().addedText, AddedTextPlacement::Separate);
    builder().setUseZipFile(true);
    builder().setAddedText(AddedTextPlacement::InsideZip);
    EXPECT_EQ(site().addedText, AddedTextPlacement::InsideZip);
    builder().setUseZipFile(false);
    EXPECT_EQ(site().addedText, AddedTextPlacement::Separate);
}

TEST_F(SiteBuilderTest, TranslationsShowTheirOwnTextAndOnlyAChangeIsAnEdit)
{
    writeRecords();
    ws.write(s("sites/Gamma.ini"), "[SETTINGS]\r\nMUF_WindowsNT=\r\nMUF_Windows95=Win95\r\nMUF_Shareware=\r\n");
    start();
    builder().selectSite(s("Gamma"));
    auto fields = builder().translationFields();
    EXPECT_EQ(fields[size_t(Translation::Windows95)], s("Win95")) << "kept, although Windows NT is empty";
    EXPECT_EQ(fields[size_t(Translation::WindowsNT)], s("Windows NT"));
    EXPECT_EQ(fields[size_t(Translation::Shareware)], s("Shareware"));

    // Closing unchanged stores every field, the standard values for the empty ones.
    builder().setTranslations(fields);
    EXPECT_EQ(site().translation(Translation::WindowsNT), s("Windows NT"));
    EXPECT_EQ(site().translation(Translation::Windows95), s("Win95"));
    EXPECT_FALSE(builder().modified());

    fields[size_t(Translation::Beta)] = s("Pre-release");
    builder().setTranslations(fields);
    EXPECT_EQ(site().translation(Translation::Beta), s("Pre-release"));
    EXPECT_TRUE(builder().modified()) << "so closing the window asks to save it";
}

TEST_F(SiteBuilderTest, DefaultScriptReplacesTheScriptOnlyFromAnExistingFile)
{
    writeRecords();
    start();
    builder().selectSite(s("Gamma"));
    builder().edit([](SiteDefinition& d) { d.scripts[size_t(SiteScript::EmailNew)] = {s("mine")}; });
    engine().setModified(false);
    EXPECT_FALSE(builder().loadDefaultScript(SiteScript::EmailNew));
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), s("confirm: Sure you want to do this?")}));
    EXPECT_FALSE(builder().modified());

    prompts.shown.clear();
    prompts.confirmAnswers = {true};
    EXPECT_FALSE(builder().loadDefaultScript(SiteScript::EmailNew));
    EXPECT_EQ(prompts.messages().last(), s("error: Cannot open file ") + ws.file(s("data/EMAIL_DEF_SCRIPT_NEW.SCP")));
    EXPECT_EQ(site().scripts[size_t(SiteScript::EmailNew)], QStringList{s("mine")}) << "the script keeps its text";

    ws.write(s("data/EMAIL_DEF_SCRIPT_NEW.SCP"), "Name: %APPNAME%\r\n\r\nBye\r\n");
    ws.write(s("data/email_def_script_update.scp"), "lower case is another file\r\n");
    prompts.confirmAnswers = {true, true};
    QSignalSpy replaced(&builder(), &SiteBuilder::scriptReplaced);
    EXPECT_TRUE(builder().loadDefaultScript(SiteScript::EmailNew));
    EXPECT_EQ(site().scripts[size_t(SiteScript::EmailNew)], (QStringList{s("Name: %APPNAME%"), QString(), s("Bye")}));
    EXPECT_TRUE(builder().modified());
    ASSERT_EQ(replaced.count(), 1);
    EXPECT_FALSE(builder().loadDefaultScript(SiteScript::EmailUpdate));
    EXPECT_TRUE(site().scripts[size_t(SiteScript::EmailUpdate)].isEmpty());
}

TEST_F(SiteBuilderTest, TestScriptExpandsTheScriptAsItStandsInCheckMode)
{
    writeRecords();
    start();
    builder().selectSite(s("Gamma"));
    const auto test = [&](const QStringList& lines) {
        builder().edit([&](SiteDefinition& d) { d.scripts[size_t(SiteScript::HttpNew)] = lines; });
        return builder().testScript(SiteScript::HttpNew);
    };
    EXPECT_EQ(test({s("name=%APPNAME%"), s("by %CONTEMAIL% at %SITENAME%")}),
              s("name=Tool\r\nby me@acme.test at Gamma")) << "lines joined by CR LF, none after the last";
    EXPECT_EQ(test({s("100% sure")}), s("Script Error! -> []"));
    EXPECT_EQ(test({s("%APPNAMES%")}), s("Script Error! -> [APPNAMES]"));
    EXPECT_EQ(test({s("cat=%SITECAT1%")}), s("Script Error! -> [%UNKNOWN%]"));
    builder().edit([](SiteDefinition& d) { d.primaryCategories = {s("7\">Tools")}; });
    EXPECT_EQ(test({s("cat=%SITECAT1%")}), s("cat=7"));
    EXPECT_EQ(test({}), QString());
}

TEST_F(SiteBuilderTest, SaveSiteNeverCutsAScriptHoldingANulByteShort)
{
    writeRecords();
    const QByteArray script("line one\r\nbefore\0after\r\n", 25);
    ws.write(s("sites/Gamma FTP_NEW.scp"), script);
    start();
    builder().selectSite(s("Gamma"));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().at(0).contains(s("NUL"))) << "the user is told";
    EXPECT_EQ(site().scripts[size_t(SiteScript::FtpNew)], (QStringList{s("line one"), s("before")}));

    builder().edit([](SiteDefinition& d) { d.ftpServer = s("ftp.gamma.test"); });
    builder().saveSite();
    EXPECT_EQ(ws.read(s("sites/Gamma FTP_NEW.scp")), script) << "the script was not edited: left whole";

    builder().edit([](SiteDefinition& d) { d.scripts[size_t(SiteScript::FtpNew)] = {s("new text")}; });
    builder().saveSite();
    EXPECT_EQ(ws.read(s("sites/Gamma FTP_NEW.scp")), QByteArray("new text\r\n")) << "an edited script is written";
}

TEST(DefaultScriptFile, AFileHoldingANulByteIsNeverSavedShort)
{
    TestWorkspace ws;
    const QByteArray held("Line one\r\n\0hidden tail\r\n", 24);
    ws.write(QStringLiteral("data/FTP_DEF_SCRIPT.SCP"), held);
    const QString dataDir = ws.file(QStringLiteral("data/"));
    const auto shown = DefaultScripts::load(dataDir, SiteScript::FtpNew);
    ASSERT_TRUE(shown);
    EXPECT_THROW(DefaultScripts::save(dataDir, SiteScript::FtpNew, *shown), ZentrelError);
    EXPECT_EQ(ws.read(QStringLiteral("data/FTP_DEF_SCRIPT.SCP")), held);
    // A file without one is written as the editor shows it.
    ws.write(QStringLiteral("data/FTP_DEF_SCRIPT.SCP"), "old\r\n");
    DefaultScripts::save(dataDir, SiteScript::FtpNew, {QStringLiteral("new")});
    EXPECT_EQ(ws.read(QStringLiteral("data/FTP_DEF_SCRIPT.SCP")), QByteArray("new\r\n"));
}

TEST_F(SiteBuilderTest, FtpEncryptionChoiceIsAnEditAndUnknownCodesArePlainFtp)
{
    writeRecords();
    start();
    builder().selectSite(s("Gamma"));
    builder().setFtpTls(2);
    EXPECT_EQ(site().ftpTls, 2);
    EXPECT_TRUE(builder().modified());
    builder().saveSite();
    EXPECT_TRUE(ws.read(s("sites/Gamma.ini")).contains("\r\nFTP_TLS=2\r\n"));
    builder().setFtpTls(5);
    EXPECT_EQ(site().ftpTls, 0);
    builder().setFtpTls(1);
    builder().saveSite();
    builder().selectSite(s("Alpha"));
    builder().selectSite(s("Gamma"));
    EXPECT_EQ(site().ftpTls, 1);
}
