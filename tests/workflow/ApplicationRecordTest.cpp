#include "ModelFixture.h"

#include "records/FileStore.h"
#include "records/ZentrelError.h"

namespace {

const QByteArray ShownRecord =
    "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nFILENAME=tool21.zip\r\nNAME=Tool\r\n8CHAR=tool\r\nVERSION=2.1\r\n"
    "DAY=5\r\nMONTH=09\r\nYEAR=98\r\nPLATFORM=Windows 95\r\nDSTATUS=Author\r\nSIZE32=1048576\r\n"
    "INSTSIZE32=2000000\r\nSIZE16=\r\nINSTSIZE16=\r\nPRICE=19.95\r\nSTATUS=Shareware\r\nEVAL=30 days\r\n"
    "XDATE=\r\nXDAYS=30\r\ninstaller=Install/Uninstall\r\nAPPURL=http://acme.example/tool\r\n"
    "DL1_32=http://acme.example/tool21.zip\r\nDL2_32=\r\nDL3_32=\r\nDL4_32=\r\nDL1_16=\r\nDL2_16=\r\nDL3_16=\r\n"
    "DL4_16=\r\nSHOT=http://acme.example/shot.gif\r\nGIF=\r\nICO=\r\nPATH=/home/me/tool21.zip\r\n"
    "ICOPATH=/home/me/tool.ico\r\nGIFPATH=/home/me/tool.gif\r\nSCREENPATH=/home/me/shot.png\r\n"
    "OTHERPATH=/home/me/readme.txt\r\nSHORTDESC=A handy tool\r\n";

} // namespace

class ApplicationFixture : public ModelFixture {
protected:
    ApplicationRecord& app() { return model->application(); }
    ChooserList& apps() { return model->applicationChooser(); }

    void writeShownApplication()
    {
        ws.write(s("companies/companies.dat"), "Acme\r\nBeta\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Ann\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), ShownRecord);
        ws.write(s("data/Tool.lds"), "Line one\r\nLine two\r\n");
        ws.write(s("data/Tool.nts"), "Code: 1234\r\n");
    }
};

TEST_F(ApplicationFixture, LoadsEveryFieldAndTheCompanyItNames)
{
    writeShownApplication();
    start();
    EXPECT_EQ(app().name(), s("Tool"));
    EXPECT_EQ(app().field(AppField::Version), s("2.1"));
    EXPECT_EQ(app().field(AppField::Installer), s("Install/Uninstall"));
    EXPECT_EQ(app().field(AppField::ShortDesc), s("A handy tool"));
    EXPECT_EQ(app().longDescription(), (QStringList{s("Line one"), s("Line two")}));
    EXPECT_EQ(app().notes(), QStringList{s("Code: 1234")});
    EXPECT_EQ(app().longDate(), s("5-Sep-1998"));
    EXPECT_EQ(app().specialRequirements(), s("None"));
    EXPECT_EQ(company().name(), s("Acme"));
    EXPECT_EQ(company().field(CompanyField::Contact), s("Ann"));
    EXPECT_FALSE(app().changed());
    EXPECT_FALSE(company().changed());
    EXPECT_EQ(model->settings().lastAppLoaded, s("Tool"));

    // Saved back unchanged, the record is the same bytes.
    app().SaveApplication();
    EXPECT_EQ(ws.read(s("data/Tool.dat")), ShownRecord);
    EXPECT_EQ(ws.read(s("data/Tool.lds")), QByteArray("Line one\r\nLine two\r\n"));
}

TEST_F(ApplicationFixture, NewApplicationKeepsListsPathsAndCompanyAndNothingElse)
{
    writeShownApplication();
    start();
    prompts.names = {s("Gadget")};
    model->newApplication();
    EXPECT_EQ(apps().names(), (QStringList{s("Tool"), s("Gadget")}));
    EXPECT_EQ(app().name(), s("Gadget"));
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray("Tool\r\nGadget\r\n"));
    EXPECT_EQ(model->settings().lastAppLoaded, s("Gadget"));
    EXPECT_EQ(app().specialRequirements(), QString());
    EXPECT_FALSE(app().changed());
    EXPECT_EQ(ws.read(s("data/Gadget.dat")),
              QByteArray("[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nFILENAME=\r\nNAME=Gadget\r\n8CHAR=\r\nVERSION=\r\n"
                         "DAY=\r\nMONTH=\r\nYEAR=\r\nPLATFORM=Windows 95\r\nDSTATUS=Author\r\nSIZE32=\r\n"
                         "INSTSIZE32=\r\nSIZE16=\r\nINSTSIZE16=\r\nPRICE=\r\nSTATUS=Shareware\r\nEVAL=\r\n"
                         "XDATE=\r\nXDAYS=\r\ninstaller=Install/Uninstall\r\nAPPURL=\r\n"
                         "DL1_32=\r\nDL2_32=\r\nDL3_32=\r\nDL4_32=\r\nDL1_16=\r\nDL2_16=\r\nDL3_16=\r\n"
                         "DL4_16=\r\nSHOT=\r\nGIF=\r\nICO=\r\nPATH=\r\n"
                         "ICOPATH=/home/me/tool.ico\r\nGIFPATH=/home/me/tool.gif\r\nSCREENPATH=/home/me/shot.png\r\n"
                         "OTHERPATH=/home/me/readme.txt\r\nSHORTDESC=\r\n"));
    EXPECT_EQ(ws.read(s("data/Gadget.lds")), QByteArray());
    EXPECT_EQ(ws.read(s("data/Gadget.nts")), QByteArray());
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("CONTACT=Ann")) << "the company is saved as shown";
}

TEST_F(ApplicationFixture, DuplicateAndUnsafeNamesAskAgain)
{
    writeShownApplication();
    start();
    prompts.names = {s("Tool"), s("  Tool"), s("a/b"), std::nullopt};
    model->newApplication();
    const QString duplicate = s("errorWindow: APP NAME DUPLICATE | The App name you entered is already on the list! | ");
    EXPECT_EQ(prompts.messages().count(duplicate), 2);
    EXPECT_EQ(prompts.messages().filter(s("error: The name")).size(), 1);
    EXPECT_EQ(apps().names(), QStringList{s("Tool")});
    EXPECT_EQ(ws.read(s("data/Tool.dat")), ShownRecord) << "the listed record is untouched";
}

TEST_F(ApplicationFixture, DeleteRemovesTheSiteListButKeepsTheRecordWhichANewOneOverwrites)
{
    writeShownApplication();
    ws.write(s("data/Tool_SITES.dat"), "x\r\n");
    start();
    prompts.confirmAnswers = {true};
    app().DeleteApplication();
    EXPECT_EQ(prompts.messages(), QStringList{s("confirm: Delete This Application ?")});
    EXPECT_FALSE(ws.exists(s("data/Tool_SITES.dat")));
    EXPECT_TRUE(ws.exists(s("data/Tool.dat")) && ws.exists(s("data/Tool.lds")) && ws.exists(s("data/Tool.nts")));
    EXPECT_TRUE(apps().isEmpty());
    EXPECT_EQ(ws.read(s("data/Applications.dat")), QByteArray());
    EXPECT_EQ(app().field(AppField::Version), QString()) << "the last one gone: fields cleared";
    EXPECT_EQ(app().field(AppField::Platform), s("Windows 95"));

    prompts.names = {s("Tool")};
    model->newApplication();
    const QByteArray rewritten = ws.read(s("data/Tool.dat"));
    EXPECT_TRUE(rewritten.contains("VERSION=\r\n"));
    EXPECT_TRUE(rewritten.contains("PLATFORM=Windows 95\r\n"));
    EXPECT_EQ(ws.read(s("data/Tool.lds")), QByteArray());
}

TEST_F(ApplicationFixture, DeletingLoadsTheFirstLeftAndNoNameDoesNothing)
{
    ws.write(s("data/Applications.dat"), "One\r\nTwo\r\n");
    ws.write(s("data/Two.dat"), "[APPINFO]\r\nVERSION=2\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=two\r\n");
    start();
    EXPECT_EQ(app().name(), s("Two")) << "the application last worked on, ignoring case";
    prompts.confirmAnswers = {false, true};
    app().DeleteApplication();
    EXPECT_EQ(apps().count(), 2);
    app().DeleteApplication();
    EXPECT_EQ(apps().names(), QStringList{s("One")});
    EXPECT_EQ(app().name(), s("One"));
    EXPECT_EQ(app().field(AppField::Version), QString());
}

TEST_F(ApplicationFixture, LastAppLoadedOfADeletedApplicationSelectsTheFirst)
{
    ws.write(s("data/Applications.dat"), "One\r\nTwo\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=Gone\r\n");
    start();
    EXPECT_EQ(app().name(), s("One"));
}

TEST_F(ApplicationFixture, EightCharacterNameCheck)
{
    start();
    app().setField(AppField::Char8, s("My App"));
    EXPECT_FALSE(app().Check8CharName());
    EXPECT_EQ(app().field(AppField::Char8), QString());
    EXPECT_EQ(prompts.messages(), QStringList{s("error: You can only have alpha-numeric values in this field.")});
    for (const char* bad : {"a.b", "a/b", "f(x)", "x)"}) {
        app().setField(AppField::Char8, s(bad));
        EXPECT_FALSE(app().Check8CharName()) << bad;
    }
    app().setField(AppField::Char8, s("MyApp"));
    EXPECT_TRUE(app().Check8CharName());
    EXPECT_EQ(app().field(AppField::Char8), s("myapp"));
}

TEST(LongDate, BuiltFromDayMonthAndYear)
{
    const auto d = [](const char* day, const char* month, const char* year) {
        return ApplicationRecord::LongDate(QLatin1String(day), QLatin1String(month), QLatin1String(year));
    };
    EXPECT_EQ(d("5", "09", "98"), QStringLiteral("5-Sep-1998"));
    EXPECT_EQ(d("", "1", "03"), QStringLiteral("Jan-2003"));
    EXPECT_EQ(d("31", "13", "99"), QStringLiteral("31-1999"));
    EXPECT_EQ(d("1", "12", "7"), QStringLiteral("1-Dec-207"));
    EXPECT_EQ(d("1", "5", "80"), QStringLiteral("1-May-1980"));
    EXPECT_EQ(d("1", "5", "79"), QStringLiteral("1-May-2079"));
    EXPECT_EQ(d("", "", "100"), QString());
    EXPECT_EQ(d("2", "xx", "9y"), QStringLiteral("2-")) << "parts that are not numbers are left out";
}

TEST_F(ApplicationFixture, EmptyCompanyNameEmptiesTheCompanyPage)
{
    writeShownApplication();
    ws.write(s("data/Applications.dat"), "Tool\r\nBare\r\n");
    ws.write(s("data/Bare.dat"), "[COMPANY]\r\nCONAME=\r\n[APPINFO]\r\nVERSION=1\r\n");
    start();
    EXPECT_EQ(company().name(), s("Acme"));
    apps().setCurrentIndex(1);
    app().LoadApplication();
    EXPECT_EQ(company().name(), QString());
    EXPECT_EQ(company().field(CompanyField::Contact), QString());
    EXPECT_EQ(app().field(AppField::Version), s("1"));
}

TEST_F(ApplicationFixture, MissingDescriptionFilesLeaveTheFieldsAsTheyWere)
{
    writeShownApplication();
    ws.write(s("data/Applications.dat"), "Tool\r\nBare\r\n");
    ws.write(s("data/Bare.dat"), "[APPINFO]\r\nVERSION=1\r\n");
    start();
    apps().setCurrentIndex(1);
    app().LoadApplication();
    EXPECT_EQ(app().longDescription(), (QStringList{s("Line one"), s("Line two")}));
    EXPECT_EQ(app().notes(), QStringList{s("Code: 1234")});
    EXPECT_EQ(app().field(AppField::ShortDesc), QString()) << "a missing key is empty";
}

TEST_F(ApplicationFixture, ClosingAsksAboutTheApplicationAndYesSavesOnlyIt)
{
    writeShownApplication();
    start();
    app().setField(AppField::Version, s("3.0"));
    company().setField(CompanyField::Phone, s("555"));
    prompts.saveAnswers = {UserPrompts::Answer::No, UserPrompts::Answer::Yes};
    EXPECT_TRUE(model->closeQuery());
    EXPECT_EQ(prompts.messages(), (QStringList{s("askSave: Would you like to save Changed Company Info?"),
                                               s("askSave: Would you like to save Tool?")}));
    EXPECT_TRUE(ws.read(s("data/Tool.dat")).contains("VERSION=3.0"));
    EXPECT_FALSE(ws.read(s("companies/Acme.dat")).contains("555"));
    EXPECT_TRUE(ws.read(s("settings.dat")).contains("LastAppLoaded=Tool"));
}

TEST_F(ApplicationFixture, EditsAndLoadsSetTheChangedMarkAndSavingClearsIt)
{
    writeShownApplication();
    start();
    app().setNotes({s("new note")});
    EXPECT_TRUE(app().changed());
    app().SaveApplication();
    EXPECT_FALSE(app().changed());
    app().setSpecialRequirements(s("DirectX"));
    EXPECT_FALSE(app().changed()) << "special requirements are not part of the record";
    app().LoadApplication();
    EXPECT_FALSE(app().changed()) << "the same values load without a change";
    ws.write(s("data/Tool.dat"), "[APPINFO]\r\nVERSION=9\r\n");
    app().LoadApplication();
    EXPECT_TRUE(app().changed());
}

TEST_F(ApplicationFixture, AHugeDescriptionIsNotLoadedAndSavingLeavesItWhole)
{
    writeShownApplication();
    QByteArray huge;
    while (huge.size() <= FileLimits::LongText)
        huge += "A very long description line that goes on and on.\r\n";
    ws.write(s("data/Tool.lds"), huge);
    start();
    EXPECT_TRUE(app().longDescription().isEmpty());
    EXPECT_EQ(app().notes(), QStringList{s("Code: 1234")}) << "the rest of the record loads";
    EXPECT_EQ(app().field(AppField::Version), s("2.1"));
    const QStringList said = prompts.messages().filter(s("Tool.lds"));
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said.first().contains(s("larger than 1 MB")));

    app().setField(AppField::Version, s("2.2"));
    model->saveApplication();
    EXPECT_EQ(ws.read(s("data/Tool.lds")), huge);
    EXPECT_TRUE(ws.read(s("data/Tool.dat")).contains("VERSION=2.2"));
    // A text the user writes in its place replaces it.
    app().setLongDescription({s("Short now")});
    model->saveApplication();
    EXPECT_EQ(ws.read(s("data/Tool.lds")), QByteArray("Short now\r\n"));
}

TEST_F(ApplicationFixture, AHugeRecordIsReportedAndNeverRewritten)
{
    writeShownApplication();
    QByteArray huge = ShownRecord + "PAD=" + QByteArray(FileLimits::Profile, 'x') + "\r\n";
    ws.write(s("data/Tool.dat"), huge);
    start();
    EXPECT_EQ(app().field(AppField::Version), QString());
    EXPECT_EQ(app().longDescription(), (QStringList{s("Line one"), s("Line two")}));
    EXPECT_THROW(model->saveApplication(), ZentrelError);
    EXPECT_EQ(ws.read(s("data/Tool.dat")), huge);
}

TEST_F(ApplicationFixture, AFailureDuringTheFirstShowStillClearsTheMarks)
{
    writeShownApplication();
    ws.write(s("sites/Sites.dat"), "Alpha\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
    model = std::make_unique<MainModel>(prompts, ws.path(), ws.settingsFile());
    model->startWorkspace();
    {
        // Nothing can be written: the site list's file cannot be made.
        FileSizeLimit readOnly(0);
        EXPECT_THROW(model->formShow(), ZentrelError);
    }
    EXPECT_FALSE(company().changed());
    EXPECT_FALSE(app().changed());
    EXPECT_FALSE(model->siteList().changed());
    prompts.shown.clear();
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(prompts.messages().filter(s("askSave")).isEmpty()) << prompts.messages().join(u'|').toStdString();
}

TEST_F(ApplicationFixture, UnreadableSettingsAreReportedAndTheApplicationStillLoads)
{
    writeShownApplication();
    ws.write(s("settings.dat"), "[SETTINGS]\r\nPAD=" + QByteArray(FileLimits::Profile, 's') + "\r\n");
    start();
    EXPECT_EQ(app().field(AppField::Version), s("2.1"));
    EXPECT_EQ(prompts.messages().filter(s("settings.dat")).size(), 1);
    EXPECT_FALSE(app().changed());
}
