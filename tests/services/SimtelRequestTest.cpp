#include "../workflow/ModelFixture.h"

#include "engines/TEngBuild.h"
#include "services/ServiceAddresses.h"
#include "services/SimtelRequest.h"
#include "workflow/SiteBuilder.h"

#include "../net/TestServers.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>

namespace {

// One site list line: site, submit, both categories, last post, P.
QByteArray row(const char* site, const char* post)
{
    return QByteArray(site) + "\xB1New\xB1N/A\xB1N/A\xB1Unknown\xB1" + post + "\r\n";
}

} // namespace

// The application "Tool" with the sites Alpha, Simtel, Simtel 16bit and
// Simtel Mirror, and mail settings naming the test's server.
class SimtelRequestTest : public ModelFixture {
protected:
    void writeWorkspace(const QString& mailServer, const char* simtel, const char* simtel16)
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\nPLATFORM=Windows 95\r\n"
                                     "STATUS=Shareware\r\n");
        ws.write(s("sites/Sites.dat"), "Alpha\r\nSimtel\r\nSimtel 16bit\r\nSimtel Mirror\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
        ws.write(s("sites/Simtel.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_SERVER=upload.simtel.test\r\n");
        ws.write(s("sites/Simtel 16bit.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\n");
        ws.write(s("sites/Simtel Mirror.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\n");
        ws.write(s("data/Tool_SITES.dat"), row("Alpha", "Y") + row("Simtel", simtel) + row("Simtel 16bit", simtel16)
                                               + row("Simtel Mirror", "Y"));
        ws.write(s("settings.dat"), "[SETTINGS]\r\nSMTP=" + mailServer.toLatin1()
                                        + "\r\nEMAIL=old@acme.test\r\nNAME=Old Name\r\nHTTPTimeOut=5\r\n"
                                          "UpdateURL=http://127.0.0.1:9/zlsites.zip\r\nBHSURL=http://127.0.0.1:9/\r\n");
    }

    SimtelRequest& request() { return model->simtelRequest(); }
    ApplicationSiteList& list() { return model->siteList(); }

    QStringList marks() const
    {
        QStringList p;
        for (const SiteListRow& r : model->siteList().rows())
            p << r.site + u'=' + r.post;
        return p;
    }

    static SimtelRequestFields filled(const QString& server)
    {
        SimtelRequestFields f;
        f.userName = s("Pat Jones");
        f.replyTo = s("pat@acme.test");
        f.server = server;
        f.application = s("Tool");
        f.description = s("Keeps lists.\n.hidden files too\nand more.");
        f.author = true;
        return f;
    }
};

TEST_F(SimtelRequestTest, TheRequestReachesTheArchiveAsTypedAndTheMailSettingsAreSaved)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    writeWorkspace(s("127.0.0.1:9"), "Y", "Y");
    start();
    ASSERT_EQ(list().counts().total, 4);
    const int selected = list().currentRow();

    ASSERT_TRUE(request().send(filled(server.address())));
    EXPECT_EQ(prompts.messages(), QStringList{s("info: Message sent successfully to server")});

    ASSERT_EQ(server.messageCount(), 1);
    const QJsonObject envelope = server.envelope(1);
    EXPECT_EQ(envelope[s("mail_from")].toString(), s("pat@acme.test")) << "a name alone is no mailbox";
    EXPECT_EQ(envelope[s("rcpt_tos")].toArray().toVariantList(), QVariantList{ServiceAddresses::simtelMailbox()});

    const QByteArray mail = server.message(1);
    const qsizetype split = mail.indexOf("\r\n\r\n");
    ASSERT_GT(split, 0) << mail.constData();
    const QByteArray head = QByteArray("\r\n") + mail.left(split) + "\r\n";
    for (const char* header : {"To: upload-info@simtel.net", "From: Pat Jones", "Subject: Simtel Upload Request - Tool",
                               "Reply-To: pat@acme.test", "X-Mailer: Zentrel"})
        EXPECT_TRUE(head.contains(QByteArray(QByteArray("\r\n") + header + "\r\n"))) << header << "\n" << mail.constData();
    const QByteArray body = "Application Name:\r\nTool\r\n\r\nBrief Description:\r\nKeeps lists.\r\n"
                            ".hidden files too\r\nand more.\r\n\r\nRequest for upload instructions by:\r\n"
                            "Pat Jones\r\npat@acme.test\r\n\r\nThis Zentrel user has indicated that he/she is the "
                            "author or the author's authorized agent.\r\n\r\nMethod of upload to be used:\r\n"
                            "FTP via Zentrel\r\n\r\n\r\n"
                            + QByteArray(59, '=') + "\r\nRequest processed through Zentrel\r\n";
    EXPECT_EQ(mail.mid(split + 4), body);

    // Both Simtel rows leave the run; a site merely named like them stays.
    EXPECT_EQ(marks(), (QStringList{s("Alpha=Y"), s("Simtel=N"), s("Simtel 16bit=N"), s("Simtel Mirror=Y")}));
    EXPECT_EQ(list().counts().total, 2);
    EXPECT_EQ(model->displays().sitesToPost(), 2);
    EXPECT_TRUE(list().changed());
    EXPECT_EQ(list().currentRow(), selected) << "the selection stays where the user left it";

    const QByteArray settings = ws.read(s("settings.dat"));
    for (const char* line : {"SMTP=127.0.0.1:", "EMAIL=pat@acme.test\r\n", "NAME=Pat Jones\r\n", "HTTPTimeOut=5\r\n"})
        EXPECT_TRUE(settings.contains(line)) << line << "\n" << settings.constData();
    EXPECT_TRUE(settings.contains(server.address().toLatin1()));
    EXPECT_EQ(model->settings().name, s("Pat Jones"));
}

TEST_F(SimtelRequestTest, ARefusedRequestLeavesTheRowsAndTheSettingsAlone)
{
    SmtpTestServer server({s("--refuse"), ServiceAddresses::simtelMailbox()});
    ASSERT_TRUE(server.started());
    writeWorkspace(server.address(), "Y", "Y");
    start();
    const QByteArray settings = ws.read(s("settings.dat"));
    const QStringList before = marks();

    EXPECT_FALSE(request().send(filled(server.address())));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages().first().startsWith(s("error: 550"))) << qPrintable(prompts.messages().first());
    EXPECT_EQ(server.messageCount(), 0);
    EXPECT_EQ(marks(), before);
    EXPECT_EQ(list().counts().total, 4);
    EXPECT_FALSE(list().changed());
    EXPECT_EQ(ws.read(s("settings.dat")), settings);
    EXPECT_EQ(model->settings().name, s("Old Name"));
    EXPECT_EQ(prompts.busyDepth, 0);
}

TEST_F(SimtelRequestTest, AFailedSendClosesTheConnection)
{
    FakeSmtpServer server;
    QPointer<QTcpSocket> peer;
    server.onConnect = [&](QTcpSocket& socket) {
        peer = &socket;
        socket.write("220 fake ready\r\n");
    };
    server.onLine = [](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
        if (line.startsWith("RCPT"))
            return "550 no such mailbox\r\n";
        return FakeSmtpServer::standardAnswer(socket, line);
    };
    writeWorkspace(server.address(), "Y", "Y");
    start();
    EXPECT_FALSE(request().send(filled(server.address())));
    EXPECT_EQ(prompts.messages(), QStringList{s("error: 550 no such mailbox")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !peer || peer->state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_FALSE(server.received().contains("DATA")) << server.received().constData();
}

TEST_F(SimtelRequestTest, IncompleteFieldsOrNoAuthorSendNothing)
{
    FakeSmtpServer server;
    writeWorkspace(server.address(), "Y", "Y");
    start();
    const QString incomplete = s("error: You must enter valid information in all fields.  If any of your information "
                                 "is not valid, Simtel will reject your request.");
    const std::function<void(SimtelRequestFields&)> spoil[] = {
        [](SimtelRequestFields& f) { f.userName.clear(); },    [](SimtelRequestFields& f) { f.replyTo.clear(); },
        [](SimtelRequestFields& f) { f.server.clear(); },      [](SimtelRequestFields& f) { f.description.clear(); },
        [](SimtelRequestFields& f) { f.application.clear(); },
    };
    for (const auto& change : spoil) {
        SimtelRequestFields f = filled(server.address());
        change(f);
        f.author = false; // the fields are looked at first
        prompts.shown.clear();
        EXPECT_FALSE(request().send(f));
        EXPECT_EQ(prompts.messages(), QStringList{incomplete});
    }
    SimtelRequestFields f = filled(server.address());
    f.author = false;
    prompts.shown.clear();
    EXPECT_FALSE(request().send(f));
    EXPECT_EQ(prompts.messages(),
              QStringList{s("error: You did not check the Author checkbox.  If you are not the author or the author's "
                            "authorized agent, you cannot upload to Simtel.")});
    QTest::qWait(50);
    EXPECT_TRUE(server.received().isEmpty());
    EXPECT_EQ(list().counts().total, 4);
}

TEST_F(SimtelRequestTest, AnEmptyPasswordWritesNothingAndOneMarkedRowLowersTheCountByOne)
{
    writeWorkspace(s("127.0.0.1:9"), "N", "Y");
    start();
    const QByteArray simtel = ws.read(s("sites/Simtel.ini"));
    const QByteArray simtel16 = ws.read(s("sites/Simtel 16bit.ini"));
    ASSERT_EQ(list().counts().total, 3);

    request().acceptPassword(QString());
    EXPECT_EQ(marks(), (QStringList{s("Alpha=Y"), s("Simtel=N"), s("Simtel 16bit=N"), s("Simtel Mirror=Y")}));
    EXPECT_EQ(list().counts().total, 2);
    EXPECT_EQ(model->displays().sitesToPost(), 2);
    EXPECT_TRUE(list().changed());
    EXPECT_TRUE(model->run().simtelPassword().isEmpty());
    EXPECT_EQ(ws.read(s("sites/Simtel.ini")), simtel);
    EXPECT_EQ(ws.read(s("sites/Simtel 16bit.ini")), simtel16);
    EXPECT_EQ(prompts.messages(), QStringList());

    // Nothing left to unmark: the count stays.
    request().unmarkSimtelRows();
    EXPECT_EQ(list().counts().total, 2);
}

TEST_F(SimtelRequestTest, AnAcceptedPasswordIsHeldAndWrittenIntoBothDefinitions)
{
    writeWorkspace(s("127.0.0.1:9"), "Y", "Y");
    start();
    request().acceptPassword(s("s3cret"));
    EXPECT_EQ(model->run().simtelPassword(), s("s3cret"));
    EXPECT_EQ(ws.read(s("sites/Simtel.ini")),
              "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_SERVER=upload.simtel.test\r\nLOGIN_PASSWORD=s3cret\r\n");
    EXPECT_EQ(ws.read(s("sites/Simtel 16bit.ini")), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nLOGIN_PASSWORD=s3cret\r\n");
    EXPECT_FALSE(ws.exists(s("sites/simtel.ini")));
    EXPECT_EQ(list().counts().total, 4) << "with a password the Simtel sites stay in the run";
    EXPECT_FALSE(list().changed());
}

TEST_F(SimtelRequestTest, ASavedSimtelDefinitionGivesTheHeldPasswordSoClosingKeepsIt)
{
    writeWorkspace(s("127.0.0.1:9"), "Y", "Y");
    ws.write(s("sites/Simtel.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nLOGIN_PASSWORD=old\r\n");
    start();
    ASSERT_EQ(model->run().simtelPassword(), s("old"));

    // The other definition holds a newer password; saving it, even for another
    // edit, makes that the one the program holds.
    ws.write(s("sites/Simtel 16bit.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nLOGIN_PASSWORD=new\r\n");
    SiteBuilder& builder = model->siteBuilder();
    builder.selectSite(s("Simtel 16bit"));
    builder.edit([](SiteDefinition& d) { d.ftpServer = QStringLiteral("upload.simtel.test"); });
    builder.saveSite();
    EXPECT_EQ(model->run().simtelPassword(), s("new"));

    model->windowClosing();
    EXPECT_TRUE(ws.read(s("sites/Simtel.ini")).contains("LOGIN_PASSWORD=new\r\n"));
    EXPECT_TRUE(ws.read(s("sites/Simtel 16bit.ini")).contains("LOGIN_PASSWORD=new\r\n"));

    // Another site's save leaves the held password alone.
    builder.selectSite(s("Alpha"));
    builder.edit([](SiteDefinition& d) { d.loginPassword = QStringLiteral("alpha"); });
    builder.saveSite();
    EXPECT_EQ(model->run().simtelPassword(), s("new"));
}

TEST_F(SimtelRequestTest, TheSettingsTimeOutEndsASilentMailServer)
{
    FakeSmtpServer server;
    server.onConnect = [](QTcpSocket&) {}; // no greeting, ever
    writeWorkspace(server.address(), "Y", "Y");
    start();
    // The workspace's settings say 5 seconds; the held value is what the mail waits.
    model->settings().httpTimeOut = 1;
    QElapsedTimer waited;
    waited.start();
    EXPECT_FALSE(request().send(filled(server.address())));
    EXPECT_LT(waited.elapsed(), 4000) << "the mail waited longer than the settings allow";
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Operation timed out")});
    EXPECT_EQ(list().counts().total, 4) << "nothing unmarked";
}
