#include "EngineFixture.h"

#include "engines/CategoryLine.h"
#include "records/FileStore.h"

using SiteDefinitionTest = EngineFixture;

TEST(CategoryLine, ValueAndLabelOfTheFourLineShapes)
{
    const auto s = [](const char* t) { return QString::fromLatin1(t); };
    EXPECT_EQ(CategoryLine::value(s("12\">Utilities")), s("12"));
    EXPECT_EQ(CategoryLine::label(s("12\">Utilities")), s("Utilities"));
    EXPECT_EQ(CategoryLine::value(s("Utilities")), s("Utilities"));
    EXPECT_EQ(CategoryLine::label(s("Utilities")), s("Utilities"));
    EXPECT_EQ(CategoryLine::value(s("\">Misc")), s("\">Misc"));
    EXPECT_EQ(CategoryLine::label(s("\">Misc")), s("Misc"));
    EXPECT_EQ(CategoryLine::value(s("12\">")), s("12"));
    EXPECT_EQ(CategoryLine::label(s("12\">")), s("12\">"));
    EXPECT_EQ(CategoryLine::value(s("a\">b\">c")), s("a"));
    EXPECT_EQ(CategoryLine::label(s("a\">b\">c")), s("b\">c"));
}

TEST_F(SiteDefinitionTest, DefinitionWithOnlyTheSectionLoadsEveryDefault)
{
    ws.write(s("sites/Bare.ini"), "[SETTINGS]\r\n");
    start();
    engine->site().translation(Translation::Beta) = s("changed");
    engine->LoadSite(s("Bare"));
    const SiteDefinition& d = engine->site();
    EXPECT_EQ(d.byteFormat, 1);
    EXPECT_EQ(d.siteType, 2);
    EXPECT_EQ(d.siteSystem, 3);
    EXPECT_EQ(d.httpPostType, 1);
    EXPECT_FALSE(d.useHttpPost || d.useFtpUpload || d.useEmail || d.useCat1 || d.useCat2);
    EXPECT_EQ(d.translations, SiteDefinition::standardTranslations());
    EXPECT_EQ(d.addedText, AddedTextPlacement::None);
    EXPECT_TRUE(d.primaryCategories.isEmpty());
}

TEST_F(SiteDefinitionTest, CodesOutsideTheirRangeReadAsDefaults)
{
    ws.write(s("sites/Odd.ini"),
             "[SETTINGS]\r\nBYTE_FORMAT=7\r\nSITE_SYSTEM=0\r\nHTTP_POST_TYPE=3\r\nSITE_TYPE=9\r\n");
    ws.write(s("sites/Set.ini"),
             "[SETTINGS]\r\nBYTE_FORMAT=3\r\nSITE_SYSTEM=2\r\nHTTP_POST_TYPE=2\r\nSITE_TYPE=1\r\n");
    start();
    engine->LoadSite(s("Odd"));
    EXPECT_EQ(engine->site().byteFormat, 1);
    EXPECT_EQ(engine->site().siteSystem, 3);
    EXPECT_EQ(engine->site().httpPostType, 1);
    EXPECT_EQ(engine->site().siteType, 2);
    engine->LoadSite(s("Set"));
    EXPECT_EQ(engine->site().byteFormat, 3);
    EXPECT_EQ(engine->site().siteSystem, 2);
    EXPECT_EQ(engine->site().httpPostType, 2);
    EXPECT_EQ(engine->site().siteType, 1);
}

TEST_F(SiteDefinitionTest, ALaterTrueAddedTextKeyOverridesAnEarlierOne)
{
    ws.write(s("sites/A.ini"), "[SETTINGS]\r\nADD_FILE_TO_ZIP=1\r\nINCLUDE_IN_ZIP=1\r\n");
    ws.write(s("sites/B.ini"), "[SETTINGS]\r\nADDED_TEXT_BOTH=1\r\nADD_FILE_TO_ZIP=1\r\n");
    ws.write(s("sites/C.ini"), "[SETTINGS]\r\nADD_FILE_TO_ZIP=1\r\nINCLUDE_IN_ZIP=0\r\n");
    start();
    engine->LoadSite(s("A"));
    EXPECT_EQ(engine->site().addedText, AddedTextPlacement::InsideZip);
    engine->LoadSite(s("B"));
    EXPECT_EQ(engine->site().addedText, AddedTextPlacement::Both);
    engine->LoadSite(s("C"));
    EXPECT_EQ(engine->site().addedText, AddedTextPlacement::Separate);
}

TEST_F(SiteDefinitionTest, MissingFilesLeaveNewSiteValues)
{
    start();
    engine->site().useEmail = true;
    engine->site().translation(Translation::User) = s("Kept");
    engine->LoadSite(s("Nothing"));
    EXPECT_FALSE(engine->site().useEmail);
    EXPECT_EQ(engine->site().addedText, AddedTextPlacement::Separate);
    EXPECT_EQ(engine->site().translation(Translation::User), s("Kept"));
    EXPECT_EQ(engine->siteName(), s("Nothing"));
}

TEST_F(SiteDefinitionTest, NewSiteIsWrittenWithEveryKeyInOrder)
{
    start();
    ASSERT_TRUE(engine->AddSite(s("Fresh")));
    engine->ClearSite();
    engine->SaveSite(s("Fresh"));
    const QByteArray expected =
        "[SETTINGS]\r\nBYTE_FORMAT=1\r\nSITES_WEB_URL=\r\nUSE_CAT1=0\r\nUSE_CAT2=0\r\nSITE_TYPE=2\r\n"
        "SITE_SYSTEM=3\r\nUSE_HTTP_POST=0\r\nHTTP_POST_TYPE=1\r\nHTTP_NEW_SCRIPT_URL=\r\n"
        "HTTP_UPDATE_SCRIPT_URL=\r\nMUF_Windows31=Windows 3.1\r\nMUF_Windows95=Windows 95\r\n"
        "MUF_WindowsNT=Windows NT\r\nMUF_Windows95NT=Windows 95 and NT\r\nMUF_Author=Author\r\n"
        "MUF_Distributor=Distributor\r\nMUF_Dealer=Dealer\r\nMUF_User=User\r\n"
        "MUF_FeatureLimitDemo=Feature Limit Demo\r\nMUF_TimeLimitDemo=Time Limit Demo\r\n"
        "MUF_PublicDomain=Public Domain\r\nMUF_Freeware=Freeware\r\nMUF_Shareware=Shareware\r\n"
        "MUF_Beta=Beta\r\nMUF_NoInstallFeature=No Install Feature\r\n"
        "MUF_InstallFeatureOnly=Install Feature Only\r\nMUF_UnInstallFeatureOnly=Uninstall Feature Only\r\n"
        "MUF_InstallUninstall=Install/Uninstall\r\nUSE_FTP_UPLOAD=0\r\nUSE_ZIP_FILE=0\r\n"
        "USE_8X3_FILENAME=0\r\nFTP_SERVER=\r\nLOGIN_NAME=\r\nREMOTE_PATH=\r\nLOGIN_PASSWORD=\r\n"
        "ADD_FILE_TO_ZIP=1\r\nINCLUDE_IN_ZIP=0\r\nADDED_TEXT_BOTH=0\r\nFTP_FILENAME=\r\nUSE_EMAIL=0\r\n"
        "EMAIL_SEND_COPY=0\r\nEMAIL_ATTACH_GIF=0\r\nEMAIL_ATTACH_ICO=0\r\nEMAIL_ATTACH_SCREEN=0\r\n"
        "EMAIL_ATTACH_OTHER=0\r\nEMAIL_ATTACH_SCRIPT=0\r\nEMAIL_ATTACH_APPLICATION=0\r\nEMAIL_TONAME=\r\n"
        "EMAIL_SUBJECT=\r\nEMAIL_TONAME_UPDATE=\r\nEMAIL_SUBJECT_UPDATE=\r\n";
    EXPECT_EQ(ws.read(s("sites/Fresh.ini")), expected);
    EXPECT_FALSE(ws.exists(s("cat/Fresh Cat1.cat")));
    EXPECT_FALSE(ws.exists(s("sites/Fresh HTTP_NEW.scp")));
}

TEST_F(SiteDefinitionTest, SaveAndLoadRoundTripWithCategoriesAndScripts)
{
    start();
    ASSERT_TRUE(engine->AddSite(s("Round")));
    SiteDefinition& d = engine->site();
    d.byteFormat = 2;
    d.useEmail = true;
    d.emailSubject = s("New: %APPNAME%");
    d.addedText = AddedTextPlacement::Both;
    d.translation(Translation::Windows95) = s("Win95");
    d.translation(Translation::Beta) = QString();
    d.primaryCategories = {s("1\">Games"), s("2\">Tools")};
    d.scripts[size_t(SiteScript::EmailNew)] = {s("Name: %APPNAME%"), QString(), s("Bye")};
    engine->SaveSite(s("Round"));
    EXPECT_EQ(ws.read(s("cat/Round Cat1.cat")), QByteArray("1\">Games\r\n2\">Tools\r\n"));
    EXPECT_EQ(ws.read(s("sites/Round EMAIL_NEW.scp")), QByteArray("Name: %APPNAME%\r\n\r\nBye\r\n"));

    const SiteDefinition saved = d;
    engine->LoadSite(s("Other"));
    engine->LoadSite(s("Round"));
    EXPECT_EQ(engine->site().byteFormat, 2);
    EXPECT_EQ(engine->site().emailSubject, saved.emailSubject);
    EXPECT_EQ(engine->site().addedText, AddedTextPlacement::Both);
    EXPECT_EQ(engine->site().translations, saved.translations);
    EXPECT_EQ(engine->site().primaryCategories, saved.primaryCategories);
    EXPECT_EQ(engine->site().scripts, saved.scripts);

    // Emptied lists remove their files, so nothing old comes back at the next load.
    engine->site().primaryCategories.clear();
    engine->site().scripts[size_t(SiteScript::EmailNew)].clear();
    engine->SaveSite(s("Round"));
    EXPECT_FALSE(ws.exists(s("cat/Round Cat1.cat")));
    EXPECT_FALSE(ws.exists(s("sites/Round EMAIL_NEW.scp")));
    engine->LoadSite(s("Round"));
    EXPECT_TRUE(engine->site().primaryCategories.isEmpty());
    EXPECT_TRUE(engine->site().scripts[size_t(SiteScript::EmailNew)].isEmpty());
}

TEST_F(SiteDefinitionTest, SavingKeepsUnknownKeysOfAHandEditedFile)
{
    ws.write(s("sites/Hand.ini"), "; note\r\n[SETTINGS]\r\nCUSTOM=1\r\nBYTE_FORMAT=2\r\n[EXTRA]\r\nA=b\r\n");
    start();
    engine->LoadSite(s("Hand"));
    engine->SaveSite(s("Hand"));
    const QByteArray saved = ws.read(s("sites/Hand.ini"));
    EXPECT_TRUE(saved.startsWith("; note\r\n[SETTINGS]\r\nCUSTOM=1\r\nBYTE_FORMAT=2\r\nSITES_WEB_URL=\r\n"));
    EXPECT_TRUE(saved.endsWith("EMAIL_SUBJECT_UPDATE=\r\n[EXTRA]\r\nA=b\r\n"));
}

TEST_F(SiteDefinitionTest, ListsTooLargeToLoadAreToldAndSavingLeavesThem)
{
    ws.write(s("sites/Sites.dat"), "Big\r\n");
    ws.write(s("sites/Big.ini"), "[SETTINGS]\r\nUSE_CAT1=1\r\nUSE_CAT2=1\r\n");
    const QByteArray huge(FileLimits::CategoryList + 10, 'h');
    ws.write(s("cat/Big Cat1.cat"), huge);
    ws.write(s("cat/Big Cat2.cat"), huge);
    ws.write(s("sites/Big HTTP_NEW.scp"), "name=%APPNAME%\r\n");
    start();
    engine->LoadSite(s("Big"));
    EXPECT_TRUE(engine->site().primaryCategories.isEmpty());
    EXPECT_EQ(engine->site().scripts[0], QStringList{s("name=%APPNAME%")}) << "the rest of the site loads";
    EXPECT_EQ(prompts.messages().filter(s("Big Cat1.cat")).size(), 1);
    EXPECT_TRUE(engine->site().useCat1);

    // The untouched list stays; one the user filled in anew replaces its file.
    engine->site().secondaryCategories = {s("1\">Fresh")};
    engine->SaveSite(s("Big"));
    EXPECT_EQ(ws.read(s("cat/Big Cat1.cat")), huge);
    EXPECT_EQ(ws.read(s("cat/Big Cat2.cat")), QByteArray("1\">Fresh\r\n"));
}

TEST_F(SiteDefinitionTest, FtpEncryptionIsWrittenOnlyOnceChosenSoOlderFilesKeepTheirBytes)
{
    // A definition as every earlier version wrote it, with real values.
    const QByteArray older =
        "[SETTINGS]\r\nBYTE_FORMAT=2\r\nSITES_WEB_URL=http://www.example.com/\r\nUSE_CAT1=1\r\nUSE_CAT2=0\r\n"
        "SITE_TYPE=2\r\nSITE_SYSTEM=3\r\nUSE_HTTP_POST=0\r\nHTTP_POST_TYPE=1\r\nHTTP_NEW_SCRIPT_URL=\r\n"
        "HTTP_UPDATE_SCRIPT_URL=\r\nMUF_Windows31=Win 3.1\r\nMUF_Windows95=Windows 95\r\n"
        "MUF_WindowsNT=Windows NT\r\nMUF_Windows95NT=Windows 95 and NT\r\nMUF_Author=Author\r\n"
        "MUF_Distributor=Distributor\r\nMUF_Dealer=Dealer\r\nMUF_User=User\r\n"
        "MUF_FeatureLimitDemo=Feature Limit Demo\r\nMUF_TimeLimitDemo=Time Limit Demo\r\n"
        "MUF_PublicDomain=Public Domain\r\nMUF_Freeware=Freeware\r\nMUF_Shareware=Shareware\r\n"
        "MUF_Beta=Beta\r\nMUF_NoInstallFeature=No Install Feature\r\n"
        "MUF_InstallFeatureOnly=Install Feature Only\r\nMUF_UnInstallFeatureOnly=Uninstall Feature Only\r\n"
        "MUF_InstallUninstall=Install/Uninstall\r\nUSE_FTP_UPLOAD=1\r\nUSE_ZIP_FILE=1\r\n"
        "USE_8X3_FILENAME=0\r\nFTP_SERVER=ftp.example.com\r\nLOGIN_NAME=anonymous\r\nREMOTE_PATH=/incoming\r\n"
        "LOGIN_PASSWORD=%CONTEMAIL%\r\nADD_FILE_TO_ZIP=0\r\nINCLUDE_IN_ZIP=1\r\nADDED_TEXT_BOTH=0\r\n"
        "FTP_FILENAME=%APPNAME%.TXT\r\nUSE_EMAIL=0\r\nEMAIL_SEND_COPY=0\r\nEMAIL_ATTACH_GIF=0\r\n"
        "EMAIL_ATTACH_ICO=0\r\nEMAIL_ATTACH_SCREEN=0\r\nEMAIL_ATTACH_OTHER=0\r\nEMAIL_ATTACH_SCRIPT=0\r\n"
        "EMAIL_ATTACH_APPLICATION=0\r\nEMAIL_TONAME=\r\nEMAIL_SUBJECT=\r\nEMAIL_TONAME_UPDATE=\r\n"
        "EMAIL_SUBJECT_UPDATE=\r\n";
    ws.write(s("sites/Old.ini"), older);
    start();
    engine->LoadSite(s("Old"));
    EXPECT_EQ(engine->site().ftpTls, 0);
    engine->SaveSite(s("Old"));
    EXPECT_EQ(ws.read(s("sites/Old.ini")), older);

    // Once chosen it is added to the file, and taken back to 0 it is written as 0.
    engine->site().ftpTls = 2;
    engine->SaveSite(s("Old"));
    EXPECT_EQ(ws.read(s("sites/Old.ini")), older + "FTP_TLS=2\r\n");
    engine->site().ftpTls = 0;
    engine->SaveSite(s("Old"));
    engine->LoadSite(s("Old"));
    EXPECT_EQ(engine->site().ftpTls, 0) << "a stale 2 would encrypt a site the user set to none";
    engine->site().ftpTls = 1;
    engine->SaveSite(s("Old"));
    engine->LoadSite(s("Old"));
    EXPECT_EQ(engine->site().ftpTls, 1);

    // Codes no version writes read as plain FTP.
    for (const char* odd : {"3", "-1", "x"}) {
        ws.write(s("sites/Odd.ini"), QByteArray("[SETTINGS]\r\nFTP_TLS=") + odd + "\r\n");
        engine->LoadSite(s("Odd"));
        EXPECT_EQ(engine->site().ftpTls, 0) << odd;
    }
}
