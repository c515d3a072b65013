#include "ModelFixture.h"

#include "engines/TEngBuild.h"
#include "records/Clock.h"
#include "workflow/SiteBuilder.h"
#include "workflow/SiteContribution.h"

#include "../net/TestServers.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>

namespace {

QStringList addresses(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list << item[0].toString() + u" <" + item[1].toString() + u'>';
    return list;
}

} // namespace

class SiteContributionTest : public ModelFixture {
protected:
    SiteBuilder& builder() { return model->siteBuilder(); }

    // A company with the given contact, a supplied site and the server the
    // contribution goes to. Every test names a local server: none may reach the maker's.
    void writeRecords(const QByteArray& contact, const QByteArray& email, const QString& server)
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"),
                 "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=" + contact + "\r\nCEMAIL=" + email + "\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\n");
        ws.write(s("sites/Sites.dat"), "Alpha\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_CAT1=1\r\n");
        ws.write(s("settings.dat"), "[SETTINGS]\r\nContributeSMTP=" + server.toLatin1()
                                        + "\r\nContributeMailbox=engines@maker.test\r\n");
    }

    // A site the user adds with nothing but an HTTP_NEW script, saved.
    void addHttpOnlySite(const QString& name)
    {
        prompts.names = {name};
        builder().newSite();
        builder().edit([](SiteDefinition& d) {
            d.useHttpPost = true;
            d.scripts[size_t(SiteScript::HttpNew)] = QStringList{s("name=%APPNAME%"), s("ver=%VERSION%")};
        });
        builder().saveSite();
        ASSERT_TRUE(builder().contributeShown());
    }

    SiteContribution contribution()
    {
        return SiteContribution(model->company(), builder(), prompts, model->settingsFile());
    }
};

TEST_F(SiteContributionTest, IncompleteContactSendsNothing)
{
    FakeSmtpServer server;
    const struct {
        const char* contact;
        const char* email;
        const char* site;
    } cases[] = {{"Pat Jones", "pat.acme.test", "Zeta"}, {"", "pat@acme.test", "Eta"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.email);
        writeRecords(c.contact, c.email, server.address());
        start();
        addHttpOnlySite(s(c.site));
        prompts.shown.clear();
        bool told = false;
        SiteContribution sender(model->company(), builder(), prompts, model->settingsFile());
        EXPECT_EQ(sender.submit([&](bool) { told = true; }), SiteContribution::Outcome::NoContact);
        QCoreApplication::processEvents();
        EXPECT_EQ(prompts.messages(),
                  QStringList{s("info: You do not have your company contact info filled in. Please do so now!")});
        EXPECT_FALSE(told) << "the window never shows that it sends";
        EXPECT_TRUE(server.received().isEmpty());
        EXPECT_TRUE(builder().contributeShown());
        EXPECT_EQ(prompts.busyDepth, 0);
    }
}

TEST_F(SiteContributionTest, NewHttpSiteGoesWithItsDefinitionAndScriptOnly)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    writeRecords("Pat Jones", "pat@acme.test", server.address());
    Clock::set([] { return QDateTime(QDate(2024, 3, 5), QTime(14, 30), QTimeZone::utc()); });
    start();
    addHttpOnlySite(s("Zeta"));
    prompts.shown.clear();

    std::vector<bool> told;
    SiteContribution sender(model->company(), builder(), prompts, model->settingsFile());
    EXPECT_EQ(sender.submit([&](bool on) {
        told.push_back(on);
        EXPECT_EQ(prompts.busyDepth, 1) << "the busy cursor shows while the mail goes";
    }),
              SiteContribution::Outcome::Sent);
    Clock::set({});
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    EXPECT_EQ(prompts.shown, (QStringList{s("info: Submission Sent. Thank You!")}));
    EXPECT_EQ(prompts.busyDepth, 0);
    EXPECT_FALSE(builder().contributeShown());

    ASSERT_EQ(server.messageCount(), 1);
    const QJsonObject envelope = server.envelope(1);
    EXPECT_EQ(envelope[u"mail_from"].toString(), s("pat@acme.test"));
    EXPECT_EQ(envelope[u"rcpt_tos"].toArray(), QJsonArray{s("engines@maker.test")});

    const QJsonObject mail = readMail(server.messagePath(1));
    EXPECT_EQ(mail[u"defects"].toArray(), QJsonArray());
    EXPECT_EQ(addresses(mail[u"addresses"][u"From"]), QStringList{s("Pat Jones <pat@acme.test>")});
    EXPECT_EQ(addresses(mail[u"addresses"][u"To"]),
              QStringList{s("Zentrel Engine Submissions <engines@maker.test>")});
    EXPECT_EQ(mail[u"headers"][u"Subject"][0].toString(), s("New Site Submission for: Zeta"));
    EXPECT_TRUE(mail[u"headers"][u"Content-Type"][0].toString().startsWith(u"multipart/mixed"));
    EXPECT_TRUE(mail[u"headers"][u"Date"][0].toString().contains(u"Mar 2024 14:30"));

    const QJsonArray parts = mail[u"parts"].toArray();
    ASSERT_EQ(parts.size(), 3) << "the body and two files: no category lists, no other script";
    EXPECT_EQ(parts[0][u"type"].toString(), s("text/plain"));
    EXPECT_EQ(parts[0][u"text"].toString().trimmed(), s("New Site Submission for: Zeta"));
    const struct {
        const char* name;
        const char* file;
    } files[] = {{"Zeta.ini", "sites/Zeta.ini"}, {"Zeta HTTP_NEW.scp", "sites/Zeta HTTP_NEW.scp"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(files[i].name);
        const QJsonValue part = parts[i + 1];
        EXPECT_EQ(part[u"filename"].toString(), s(files[i].name));
        EXPECT_EQ(QByteArray::fromBase64(part[u"data"].toString().toLatin1()), ws.read(s(files[i].file)));
    }
}

TEST_F(SiteContributionTest, EveryExistingSiteFileGoesInTheMakersOrder)
{
    writeRecords("Pat Jones", "pat@acme.test", s("127.0.0.1:1"));
    ws.write(s("sites/Alpha EMAIL_UPDATE.scp"), "u\r\n");
    ws.write(s("sites/Alpha FTP_NEW.scp"), "f\r\n");
    ws.write(s("cat/Alpha Cat2.cat"), "2\">B\r\n");
    ws.write(s("cat/Alpha Cat1.cat"), "1\">A\r\n");
    ws.write(s("sites/Alpha HTTP_UPDATE.scp"), "h\r\n");
    start();
    builder().selectSite(s("Alpha"));
    QStringList names;
    for (const QString& path : contribution().siteFiles())
        names << path.mid(ws.path().size());
    EXPECT_EQ(names, (QStringList{s("sites/Alpha.ini"), s("cat/Alpha Cat1.cat"), s("cat/Alpha Cat2.cat"),
                                  s("sites/Alpha HTTP_UPDATE.scp"), s("sites/Alpha FTP_NEW.scp"),
                                  s("sites/Alpha EMAIL_UPDATE.scp")}));
}

TEST_F(SiteContributionTest, FailedSendSaysSoAndKeepsContribute)
{
    SmtpTestServer refusing({s("--refuse"), s("engines@maker.test")});
    ASSERT_TRUE(refusing.started());
    const struct {
        QString server;
        QString site;
    } cases[] = {{refusing.address(), s("Zeta")}, {u"127.0.0.1:" + QString::number(unusedPort()), s("Eta")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server.toStdString());
        writeRecords("Pat Jones", "pat@acme.test", c.server);
        start();
        addHttpOnlySite(c.site);
        const QByteArray definition = ws.read(u"sites/" + c.site + u".ini");
        prompts.shown.clear();
        std::vector<bool> told;
        SiteContribution sender(model->company(), builder(), prompts, model->settingsFile());
        EXPECT_EQ(sender.submit([&](bool on) { told.push_back(on); }), SiteContribution::Outcome::Failed);
        EXPECT_EQ(told, (std::vector<bool>{true, false})) << "the window may close again";
        EXPECT_EQ(prompts.shown, (QStringList{s("info: ERROR -> Submission Could Not Be Sent!")}));
        EXPECT_TRUE(builder().contributeShown());
        EXPECT_EQ(prompts.busyDepth, 0);
        EXPECT_EQ(ws.read(u"sites/" + c.site + u".ini"), definition);
        EXPECT_EQ(refusing.messageCount(), 0);
    }
}
