#include "services/BhsAccounts.h"

#include "records/ChooserList.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"

#include "../net/TestServers.h"
#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

const QString Connected = QStringLiteral("confirm: Are you currently connected to the Internet?");
const QString CouldNotConnect = QStringLiteral("error: Could not connect to BHS!");
const QString Mismatch = QStringLiteral(
    "confirm: The name you selected does not exactly match the name in your Zentrel company field. "
    "Do you still want to use the selected BHS company for the ID?");

// A company shown on the page, the settings read from a settings.dat whose
// BHS folder is on this machine, and the prompts' answers; the BHS pages are
// files the test writes into the served folder "bhs/".
struct Bhs : ::testing::Test {
    TestWorkspace ws;
    TestWorkspace site;
    FakePrompts prompts;
    ChooserList chooser{ChooserList::Order::Sorted};
    CompanyRecord company{chooser, prompts};
    ProgramSettings settings;
    BhsAccounts accounts{company, settings, prompts};
    QStringList statuses;

    Bhs()
    {
        chooser.setNames({s("Smith & Sons")});
        chooser.setCurrentIndex(0);
        QObject::connect(&accounts, &BhsAccounts::statusChanged, [this](const QString& t) { statuses << t; });
        // Never the built-in address, even in a test that means to send nothing.
        useSettings("BHSURL=http://127.0.0.1:" + QByteArray::number(unusedPort()) + "/bhs/\r\n");
    }

    void useSettings(const QByteArray& lines)
    {
        ws.write(s("settings.dat"), "[SETTINGS]\r\n" + lines);
        settings.load(ws.file(s("settings.dat")));
    }
    void useServer(const HttpTestServer& server, const QByteArray& more = {})
    {
        useSettings("BHSURL=" + server.url(s("/bhs")).toLatin1() + "\r\n" + more);
    }
    void page(const char* name, const QByteArray& content) { site.write(u"bhs/" + s(name), content); }
};

const QByteArray AccountsPage = "<html><body><form>\r\n"
                                "<select name=\"pubid\">\r\n"
                                "<option value=\"0\">Choose your company\r\n"
                                "<option value=\"1207\">Acme Software\r\n"
                                "<option value=\"\">No number yet\r\n"
                                "<option value=\"3310\">Smith & Sons\r\n"
                                "</select></form></body></html>\r\n";

} // namespace

TEST(BhsParse, AnAccountsPageListsTheNumberedOptionsOnly)
{
    const QList<BhsAccounts::Account> found = BhsAccounts::parseAccounts(QString::fromLatin1(AccountsPage));
    ASSERT_EQ(found.size(), 2) << "neither the value-0 placeholder nor an option without a number";
    EXPECT_EQ(found[0].name, s("Acme Software"));
    EXPECT_EQ(found[0].id, s("1207"));
    EXPECT_EQ(found[1].name, s("Smith & Sons"));
    EXPECT_EQ(found[1].id, s("3310"));

    // The name is the rest of the line without the option's closing tag; lines that only mention an option are not options.
    const QList<BhsAccounts::Account> other = BhsAccounts::parseAccounts(
        s("<select><option value=\"5\">Inline\n<option value=\"77\">Tail Co </OPTION>\n<option value=\"9\n"
          "<option value=\"78\">Rest & Co <b>x</b>\n"));
    ASSERT_EQ(other.size(), 2);
    EXPECT_EQ(other[0].name, s("Tail Co"));
    EXPECT_EQ(other[1].name, s("Rest & Co <b>x</b>")) << "without a closing tag the line stays as it is";
    EXPECT_EQ(other[0].id, s("77"));
    EXPECT_TRUE(BhsAccounts::parseAccounts(QString()).isEmpty());
}

TEST(BhsParse, TheNewIdFollowsTheFirstValueMark)
{
    EXPECT_EQ(BhsAccounts::parseNewId(s("<p>Thanks</p>\r\n<input name=x value=\"4821\"> <input value=\"9\">\r\n"
                                        "<input value=\"1\">\r\n")),
              s("4821"));
    EXPECT_EQ(BhsAccounts::parseNewId(s("<p>Sorry, try later</p>\r\n")), QString());
    EXPECT_EQ(BhsAccounts::parseNewId(s("<input value=\"4821\r\n\">")), QString()) << "a number cut off by the line";
    EXPECT_EQ(BhsAccounts::parseNewId(QString()), QString());
}

TEST_F(Bhs, BrowseFetchesTheAccountsPageAndTellsEachStep)
{
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    useServer(server);
    page("additem1.asp", AccountsPage);
    prompts.confirmAnswers = {true};

    ASSERT_EQ(accounts.browse(), BhsAccounts::Outcome::Done);
    ASSERT_EQ(accounts.accounts().size(), 2);
    EXPECT_EQ(accounts.accounts()[1].id, s("3310"));
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), Connected}));
    EXPECT_TRUE(server.recorded().startsWith("GET /bhs/additem1.asp HTTP/1.1\r\n"));

    ASSERT_GE(statuses.size(), 4);
    EXPECT_EQ(statuses.first(), s("(Connecting to BHS Server)"));
    EXPECT_TRUE(statuses.contains(s("Sending Query")));
    EXPECT_TRUE(statuses.contains(QString::number(AccountsPage.size()) + u" bytes received"));
    EXPECT_EQ(statuses.last(), s("(Parsing Data From BHS)"));
    EXPECT_FALSE(company.changed()) << "browsing stores nothing";
}

TEST_F(Bhs, NoToTheConnectionQuestionSendsNothing)
{
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    useServer(server);
    page("additem1.asp", AccountsPage);
    EXPECT_EQ(accounts.browse(), BhsAccounts::Outcome::Declined);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(Bhs, BrowseFailsAloudOnAnythingButAnAccountList)
{
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    struct Case {
        const char* what;
        QByteArray page; // null: no page at all (404)
        bool serverUp = true;
    };
    const Case cases[] = {
        {"an empty reply", QByteArray(""), true},
        {"only the placeholder", QByteArray("<option value=\"0\">Choose\r\n"), true},
        {"a missing page", QByteArray(), true},
        {"no server", QByteArray(""), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        site.write(s("bhs/additem1.asp"), c.page.isNull() ? QByteArray("x") : c.page);
        if (c.page.isNull())
            QFile::remove(site.file(s("bhs/additem1.asp")));
        if (c.serverUp)
            useServer(server);
        else
            useSettings("BHSURL=http://127.0.0.1:" + QByteArray::number(unusedPort()) + "/bhs/\r\n");
        prompts.shown.clear();
        statuses.clear();
        prompts.confirmAnswers = {true};
        EXPECT_EQ(accounts.browse(), BhsAccounts::Outcome::Failed);
        EXPECT_TRUE(accounts.accounts().isEmpty());
        EXPECT_EQ(prompts.messages(), (QStringList{Connected, CouldNotConnect}));
        EXPECT_FALSE(accounts.busy());
        if (!c.serverUp || c.page.isNull()) {
            EXPECT_TRUE(statuses.contains(s("(Connection Error)")));
        }
    }
    EXPECT_TRUE(company.bhsId().isEmpty());
    EXPECT_FALSE(company.changed());
}

TEST_F(Bhs, BrowseGoesThroughTheSettingsProxy)
{
    HttpTestServer server(site.path());
    TinyProxy proxy(s("zed"), s("pw"));
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(proxy.started());
    const QString port = proxy.address().section(u':', 1);
    useServer(server, "PROXY=127.0.0.1\r\nPORT=" + port.toLatin1() + "\r\nPROXYUSERNAME=zed\r\nPROXYPASSWORD=pw\r\n");
    page("additem1.asp", AccountsPage);
    prompts.confirmAnswers = {true};
    ASSERT_EQ(accounts.browse(), BhsAccounts::Outcome::Done);
    EXPECT_EQ(accounts.accounts().size(), 2);
    EXPECT_TRUE(server.recorded().contains("\r\nVia: ")) << "the proxy passed it on";

    // Without the credentials the proxy refuses, and nothing is listed.
    useServer(server, "PROXY=127.0.0.1\r\nPORT=" + port.toLatin1() + "\r\n");
    prompts.shown.clear();
    prompts.confirmAnswers = {true};
    EXPECT_EQ(accounts.browse(), BhsAccounts::Outcome::Failed);
    EXPECT_EQ(prompts.messages(), (QStringList{Connected, CouldNotConnect}));
}

TEST_F(Bhs, ClosingDuringTheWaitCancelsQuietly)
{
    FakeHttpServer silent;
    silent.setReply(QByteArray(), false);
    useSettings("BHSURL=" + silent.url(s("/bhs/")).toLatin1() + "\r\n");
    prompts.confirmAnswers = {true};
    bool wasBusy = false;
    QTimer::singleShot(200, [&] {
        wasBusy = accounts.busy();
        accounts.cancel();
    });
    EXPECT_EQ(accounts.browse(), BhsAccounts::Outcome::Cancelled);
    EXPECT_TRUE(wasBusy);
    EXPECT_FALSE(accounts.busy());
    EXPECT_EQ(prompts.messages(), QStringList{Connected}) << "a cancel is not a connection failure";
}

TEST_F(Bhs, UsingAnAccountComparesNamesIgnoringCaseAndMarksTheCompanyChanged)
{
    // Only the letter case differs: no question.
    EXPECT_TRUE(accounts.useAccount({s("SMITH & sons"), s("3310")}));
    EXPECT_EQ(prompts.shown, QStringList{s("info: Your BHS ID# is: 3310")});
    EXPECT_EQ(company.bhsId(), s("3310"));
    EXPECT_TRUE(company.changed());

    company.setBhsId(QString());
    company.setChanged(false);
    prompts.shown.clear();
    prompts.confirmAnswers = {false, true};
    EXPECT_FALSE(accounts.useAccount({s("Smith and Sons"), s("4400")}));
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), Mismatch}));
    EXPECT_TRUE(company.bhsId().isEmpty());
    EXPECT_FALSE(company.changed());

    prompts.shown.clear();
    EXPECT_TRUE(accounts.useAccount({s("Smith and Sons"), s("4400")}));
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), Mismatch, s("info: Your BHS ID# is: 4400")}));
    EXPECT_EQ(company.bhsId(), s("4400"));
    EXPECT_TRUE(company.changed());

    prompts.shown.clear();
    accounts.showId({s("Acme"), s("1207")});
    EXPECT_EQ(prompts.shown, QStringList{s("info: Id = 1207")});
}

TEST_F(Bhs, TheNewAccountFormIsFilledFromTheCompanyPage)
{
    company.setField(CompanyField::Address, s("1 Main St"));
    company.setField(CompanyField::City, s("Springfield"));
    company.setField(CompanyField::State, s("IL"));
    company.setField(CompanyField::Country, s("US"));
    company.setField(CompanyField::Zip, s("62701"));
    company.setField(CompanyField::Phone, s("555-0100"));
    company.setField(CompanyField::Email, s("pat@contact.test"));
    company.setField(CompanyField::CompanyEmail, s("sales@smith.test"));
    company.setField(CompanyField::HomePage, s("http://smith.test/"));
    const BhsAccounts::NewAccount f = accounts.newAccountFields();
    EXPECT_EQ(f.companyName, s("Smith & Sons"));
    EXPECT_EQ(f.address1, s("1 Main St"));
    EXPECT_EQ(f.address2, QString());
    EXPECT_EQ(f.stateCountry, s("IL/US"));
    EXPECT_EQ(f.phone, s("555-0100"));
    EXPECT_EQ(f.email, s("sales@smith.test")) << "the company's address, not the contact's";
    EXPECT_EQ(f.ftpSite, QString());
    EXPECT_EQ(f.webSite, s("http://smith.test/"));
}

TEST_F(Bhs, RequestPostsTheFormBytesAndReadsTheNewId)
{
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    useServer(server);
    page("additem2.asp", "<html>\r\n<p>Your account:</p>\r\n<input type=text value=\"5120\" name=id>\r\n</html>\r\n");

    BhsAccounts::NewAccount f;
    f.companyName = s("Smith & Sons");
    f.address1 = s("1 Main St");
    f.city = s("Springfield");
    f.stateCountry = s("IL/US");
    f.zipCode = s("62701");
    f.phone = s("+1 555=0100 100%");
    f.email = s("sales@smith.test");
    const QByteArray body = "name=Smith %26 Sons&Address1=1 Main St&Address2= &City=Springfield&State=IL/US"
                            "&Zipcode=62701&phone=%2B1 555%3D0100 100%25&email=sales@smith.test"
                            "&FTPSite=none&WebSite=none&add= Submit";
    EXPECT_EQ(BhsAccounts::formData(f), body);

    prompts.confirmAnswers = {true};
    QString id;
    ASSERT_EQ(accounts.requestAccount(f, id), BhsAccounts::Outcome::Done);
    EXPECT_EQ(id, s("5120"));
    const QByteArray request = server.recorded();
    EXPECT_TRUE(request.startsWith("POST /bhs/additem2.asp HTTP/1.1\r\n"));
    EXPECT_TRUE(request.contains(QByteArray("\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n")));
    EXPECT_TRUE(request.endsWith(QByteArray("\r\n\r\n" + body))) << "the form alone, without a line end";
    EXPECT_TRUE(statuses.contains(s("(Sending Data To BHS Server)")));
    EXPECT_EQ(prompts.shown, (QStringList{s("beep"), Connected}));
    EXPECT_FALSE(company.changed()) << "the new window only reports the number";

    prompts.shown.clear();
    EXPECT_TRUE(accounts.takeNewAccount(id));
    EXPECT_EQ(prompts.shown, QStringList{s("info: Your BHS ID# is: 5120")});
    EXPECT_EQ(company.bhsId(), s("5120"));
    EXPECT_TRUE(company.changed());
}

TEST_F(Bhs, RequestRefusalsAndRepliesWithoutAnId)
{
    HttpTestServer server(site.path());
    ASSERT_TRUE(server.started());
    useServer(server);
    BhsAccounts::NewAccount f;
    f.companyName = s("Smith & Sons");
    f.address1 = s("1 Main St");
    f.city = s("Springfield");
    f.stateCountry = s("IL/US");
    f.zipCode = s("62701");
    f.phone = s("555");
    QString id = s("stale");
    EXPECT_EQ(accounts.requestAccount(f, id), BhsAccounts::Outcome::Declined) << "no e-mail address";
    EXPECT_EQ(prompts.messages(), QStringList{s("error: You must fill in all fields!")});
    EXPECT_TRUE(id.isEmpty());

    f.email = s("sales@smith.test");
    prompts.shown.clear();
    page("additem2.asp", "<p>We cannot open accounts today.</p>\r\n");
    prompts.confirmAnswers = {true};
    EXPECT_EQ(accounts.requestAccount(f, id), BhsAccounts::Outcome::Done);
    EXPECT_TRUE(id.isEmpty());
    EXPECT_FALSE(accounts.takeNewAccount(id));
    EXPECT_EQ(prompts.messages(), (QStringList{Connected, s("error: Could not assign BHS account at this time!")}));
    EXPECT_EQ(server.connections(), 1) << "the incomplete form was not sent";

    // A missing page is a failed request.
    prompts.shown.clear();
    QFile::remove(site.file(s("bhs/additem2.asp")));
    prompts.confirmAnswers = {true};
    EXPECT_EQ(accounts.requestAccount(f, id), BhsAccounts::Outcome::Failed);
    EXPECT_TRUE(id.isEmpty());
    EXPECT_EQ(prompts.messages(), (QStringList{Connected, CouldNotConnect}));
    EXPECT_TRUE(company.bhsId().isEmpty());
    EXPECT_FALSE(company.changed());
}

TEST_F(Bhs, AnErrorReplyIsNotReadEvenWhenItLooksRight)
{
    FakeHttpServer server;
    server.setReply("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 55\r\n\r\n"
                    "<option value=\"1207\">Smith & Sons\r\n<input value=\"77\">\r\n");
    useSettings("BHSURL=" + server.url(s("/bhs/")).toLatin1() + "\r\n");
    prompts.confirmAnswers = {true, true};
    EXPECT_EQ(accounts.browse(), BhsAccounts::Outcome::Failed);
    EXPECT_TRUE(accounts.accounts().isEmpty());

    BhsAccounts::NewAccount f = accounts.newAccountFields();
    f.address1 = f.city = f.stateCountry = f.zipCode = f.phone = f.email = s("x");
    QString id;
    EXPECT_EQ(accounts.requestAccount(f, id), BhsAccounts::Outcome::Failed);
    EXPECT_TRUE(id.isEmpty());
    EXPECT_EQ(prompts.messages(), (QStringList{Connected, CouldNotConnect, Connected, CouldNotConnect}));
    EXPECT_EQ(server.connections(), 2);
    EXPECT_TRUE(statuses.contains(s("(Connection Error)")));
}
