#include "ModelFixture.h"

#include "records/ZentrelError.h"

using CompanyRecordTest = ModelFixture;

namespace {
const QString Duplicate = QStringLiteral(
    "errorWindow: COMPANY NAME DUPLICATE | The company name you entered is already on the list! | ");
}

TEST_F(CompanyRecordTest, NewCompanyDropsLeadingSpacesAndSavesAnEmptyRecord)
{
    start();
    prompts.names = {s("  Acme")};
    ASSERT_TRUE(company().NewCompany());
    EXPECT_EQ(companies().names(), QStringList{s("Acme")});
    EXPECT_EQ(company().name(), s("Acme"));
    EXPECT_EQ(ws.read(s("companies/companies.dat")), QByteArray("Acme\r\n"));
    EXPECT_EQ(ws.read(s("companies/Acme.dat")),
              QByteArray("[COMPANY]\r\nCONAME=Acme\r\nBHSID=\r\nCONTACT=\r\nCTITLE=\r\nCEMAIL=\r\nCPHONE=\r\n"
                         "CFAX=\r\nCADDR=\r\nCCITY=\r\nCSTATE=\r\nCZIP=\r\nCCOUNTRY=\r\nCURL=\r\nCCMAIL=\r\n"));
    EXPECT_FALSE(company().changed());
    EXPECT_EQ(prompts.messages(), QStringList{s("askName: New Company Name")});

    // Nothing to ask when the window closes right after.
    prompts.shown.clear();
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_F(CompanyRecordTest, DuplicateNamesAskAgainAndCaseDifferentNamesAreNew)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Ann\r\n");
    start();
    prompts.names = {s("Acme"), s("  Acme"), std::nullopt};
    EXPECT_FALSE(company().NewCompany());
    EXPECT_EQ(prompts.messages(), (QStringList{s("askName: New Company Name"), Duplicate,
                                               s("askName: New Company Name"), Duplicate,
                                               s("askName: New Company Name")}));
    EXPECT_EQ(companies().names(), QStringList{s("Acme")});
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("CONTACT=Ann")) << "the record is not emptied";

    prompts.names = {s("acme")};
    EXPECT_TRUE(company().NewCompany());
    EXPECT_EQ(companies().names(), (QStringList{s("Acme"), s("acme")}));
    EXPECT_EQ(company().name(), s("acme"));

    prompts.names = {s("")};
    EXPECT_FALSE(company().NewCompany());
    prompts.names = {s("   ")};
    EXPECT_FALSE(company().NewCompany());
    EXPECT_EQ(companies().count(), 2);
}

TEST_F(CompanyRecordTest, NamesThatCannotBeFileNamesAreRefusedAndAskedAgain)
{
    start();
    prompts.names = {s("../Evil"), s("Good/Bad"), s("Fine")};
    ASSERT_TRUE(company().NewCompany());
    EXPECT_EQ(companies().names(), QStringList{s("Fine")});
    EXPECT_EQ(prompts.messages().filter(s("error: The name")).size(), 2);
    EXPECT_FALSE(ws.exists(s("Evil.dat")));
}

TEST_F(CompanyRecordTest, LoadingFillsTheFieldsAndSetsTheChangedMarkUntilStartUpEnds)
{
    ws.write(s("companies/companies.dat"), "Acme Inc\r\nBeta\r\n");
    ws.write(s("companies/Acme Inc.dat"),
             "[COMPANY]\r\nCONAME=Acme Inc\r\nBHSID=4711\r\nCONTACT=Ann Smith\r\nCURL=http://acme.example\r\n");
    start();
    EXPECT_EQ(company().name(), s("Acme Inc"));
    EXPECT_EQ(company().field(CompanyField::Contact), s("Ann Smith"));
    EXPECT_EQ(company().field(CompanyField::HomePage), s("http://acme.example"));
    EXPECT_EQ(company().bhsId(), s("4711"));
    EXPECT_FALSE(company().changed()) << "cleared at the end of start-up";

    // Beta has no record file: the page keeps what it showed.
    companies().setCurrentIndex(1);
    company().LoadCompany();
    EXPECT_EQ(company().field(CompanyField::Contact), s("Ann Smith"));

    company().SelectCompanyByName(s("ACME INC"));
    EXPECT_EQ(company().name(), s("Acme Inc"));
    EXPECT_EQ(company().field(CompanyField::Contact), s("Ann Smith"));
    EXPECT_TRUE(company().changed()) << "a load changes the fields' text";
}

TEST_F(CompanyRecordTest, AnUnlistedCompanyShowsNoneAndSaveWritesNothing)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Ann\r\n");
    start();
    company().SelectCompanyByName(s("Gone Ltd"));
    EXPECT_EQ(company().name(), QString());
    EXPECT_EQ(company().field(CompanyField::Contact), QString());
    company().SaveCompany();
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("CONTACT=Ann"));
    EXPECT_FALSE(ws.exists(s("companies/Gone Ltd.dat")));

    company().SelectCompanyByName(QString());
    EXPECT_EQ(company().name(), QString());
}

TEST_F(CompanyRecordTest, SaveWritesEveryKeyAndClearsTheMark)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    start();
    company().setField(CompanyField::Contact, s("Bob"));
    company().setField(CompanyField::Country, s("US"));
    company().setBhsId(s("99"));
    EXPECT_TRUE(company().changed());
    company().SaveCompany();
    EXPECT_FALSE(company().changed());
    EXPECT_EQ(ws.read(s("companies/Acme.dat")),
              QByteArray("[COMPANY]\r\nCONAME=Acme\r\nBHSID=99\r\nCONTACT=Bob\r\nCTITLE=\r\nCEMAIL=\r\nCPHONE=\r\n"
                         "CFAX=\r\nCADDR=\r\nCCITY=\r\nCSTATE=\r\nCZIP=\r\nCCOUNTRY=US\r\nCURL=\r\nCCMAIL=\r\n"));
}

TEST_F(CompanyRecordTest, DeletingTheOnlyCompanyKeepsItsRecordAndTheFields)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Ann\r\n");
    start();
    prompts.confirmAnswers = {false};
    company().DeleteCompany();
    EXPECT_EQ(companies().count(), 1);
    prompts.confirmAnswers = {true};
    company().DeleteCompany();
    EXPECT_TRUE(companies().isEmpty());
    EXPECT_EQ(ws.read(s("companies/companies.dat")), QByteArray());
    EXPECT_TRUE(ws.exists(s("companies/Acme.dat")));
    EXPECT_EQ(company().field(CompanyField::Contact), s("Ann"));
    EXPECT_EQ(prompts.messages(), (QStringList{s("confirm: Delete This Company ?"), s("confirm: Delete This Company ?")}));

    prompts.shown.clear();
    company().DeleteCompany();
    EXPECT_TRUE(prompts.shown.isEmpty()) << "no company shown: nothing happens";
}

TEST_F(CompanyRecordTest, DeletingLoadsTheFirstCompanyLeft)
{
    ws.write(s("companies/companies.dat"), "Acme\r\nBeta\r\n");
    ws.write(s("companies/Beta.dat"), "[COMPANY]\r\nCONAME=Beta\r\nCONTACT=Bea\r\n");
    start();
    prompts.confirmAnswers = {true};
    company().DeleteCompany();
    EXPECT_EQ(company().name(), s("Beta"));
    EXPECT_EQ(company().field(CompanyField::Contact), s("Bea"));
    EXPECT_EQ(ws.read(s("companies/companies.dat")), QByteArray("Beta\r\n"));
}

TEST_F(CompanyRecordTest, BhsIdButton)
{
    start();
    EXPECT_FALSE(company().BhsIdClick());
    EXPECT_EQ(prompts.messages(), QStringList{s("error: You first need to define a company name!")});
    prompts.names = {s("Acme")};
    company().NewCompany();
    EXPECT_TRUE(company().BhsIdClick()) << "no number held: the account dialog opens";
    company().setBhsId(s("1234"));
    prompts.shown.clear();
    EXPECT_FALSE(company().BhsIdClick());
    EXPECT_EQ(prompts.messages(), QStringList{s("info: Your BHS ID# is: 1234")});
}

TEST_F(CompanyRecordTest, ClosingAsksAboutChangedCompanyInfoFirst)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("settings.dat"), "[SETTINGS]\r\nLastAppLoaded=Old\r\n");
    start();
    company().setField(CompanyField::Phone, s("555"));

    prompts.saveAnswers = {UserPrompts::Answer::Cancel};
    EXPECT_FALSE(model->closeQuery());
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), s("askSave: Would you like to save Changed Company Info?")}));
    EXPECT_EQ(ws.read(s("settings.dat")), QByteArray("[SETTINGS]\r\nLastAppLoaded=Old\r\n"));

    prompts.saveAnswers = {UserPrompts::Answer::Yes};
    model->settings().lastAppLoaded = s("Tool");
    EXPECT_TRUE(model->closeQuery());
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("CPHONE=555"));
    EXPECT_EQ(ws.read(s("settings.dat")), QByteArray("[SETTINGS]\r\nLastAppLoaded=Tool\r\n"));
}

TEST_F(CompanyRecordTest, UnwritableRecordRaisesUnableToWrite)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    start();
    ws.makeDir(s("companies/Acme.dat"));
    try {
        company().SaveCompany();
        FAIL();
    } catch (const ZentrelError& e) {
        EXPECT_EQ(e.text(), s("Unable to write to ") + ws.file(s("companies/Acme.dat")));
    }
    EXPECT_EQ(prompts.busyDepth, 0) << "the busy cursor is restored";
}
