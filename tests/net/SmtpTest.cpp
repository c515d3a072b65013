#include "net/ESocketError.h"
#include "net/TmsComposer.h"
#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"

#include "TestServers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

QByteArray decoded(const QJsonValue& value)
{
    return QByteArray::fromBase64(value.toString().toLatin1());
}

QStringList strings(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list << (item.isArray() ? item[0].toString() + u" <" + item[1].toString() + u'>' : item.toString());
    return list;
}

// A mail the parser reads without complaint, within the line rules.
void expectClean(const QJsonObject& mail)
{
    EXPECT_EQ(strings(mail[u"defects"]), QStringList());
    EXPECT_LE(mail[u"longest_line"].toInt(), 998);
    EXPECT_EQ(mail[u"stray_breaks"].toInt(), 0);
}

void addressTo(TmsMessage& message, const QString& address)
{
    message.Sender().setName(s("Zentrel Tester"));
    message.Sender().setAddress(s("tester@example.test"));
    message.Recipients().Add(QString(), address);
}

// Sends and returns the failure's text, "" when it went; checks that OnError
// was told exactly when `socketLevel`.
QString sendFailure(TmsSMTP& smtp, bool socketLevel = false)
{
    QStringList heard;
    smtp.OnError = [&](TagSocket&, const QString& message) { heard << message; };
    QString text;
    try {
        smtp.Send();
    } catch (const ESocketError& e) {
        text = e.text();
    }
    EXPECT_EQ(heard, socketLevel ? QStringList{text} : QStringList());
    smtp.OnError = nullptr;
    return text;
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TEST(TmsAttItem, TypeAndEncodingComeFromTheExtensionInAnyLetterCase)
{
    const struct {
        const char* path;
        const char* type;
        const char* encoding;
    } cases[] = {
        {"/x/README.TXT", "text/plain", "Quoted-Printable"},
        {"/x/page.Html", "text/html", "Quoted-Printable"},
        {"/x/forward.EML", "message/rfc822", "7bit"},
        {"/x/setup.zip", "application/zip", "Base64"},
        {"/x/no-extension", "application/octet-stream", "Base64"},
        {"/x/odd.zzqqxx", "application/octet-stream", "Base64"},
    };
    TmsAttList list;
    for (const auto& c : cases) {
        const TmsAttItem& item = list.Add(s(c.path));
        EXPECT_EQ(item.ContentType(), s(c.type)) << c.path;
        EXPECT_EQ(item.Encoding(), s(c.encoding)) << c.path;
    }
    // Paths are kept whole, however long.
    const QString deep = u"/x/" + QString(300, u'd') + u"/f.bin";
    EXPECT_EQ(list.Add(deep).FilePath(), deep);
}

TEST(SmtpClient, AMailArrivesAsSentAndReadsBackWhole)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    QTemporaryDir dir;
    TmsMessage message;
    message.Sender().setName(s("Zentrel Tester"));
    message.Sender().setAddress(s("tester@example.test"));
    message.Recipients().Add(s("J. Smith"), s("j.smith@example.test"));
    message.Recipients().Add(s("Smith, John"), s("john@example.test"));
    message.Recipients().Add(s("Nobody"), QString());
    message.CC().Add(s("Jörg \"the\" Müller"), s("joerg@example.test"));
    message.BCC().Add(QString(), s("hidden@example.test"));
    // A line break typed into the subject must not start a header of its own.
    message.setSubject(s("Übersicht: new release\r\nBcc: evil@example.test"));
    message.setBody({s("Hello"), s("."), s(".profile"), s("two\nlines"), QString()});
    message.Headers() = QStringList{s("X-Zentrel: product notice"), s("subject: overridden"),
                                    s("bcc: sneaky@example.test"), s("not a header line")};
    message.setDate(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone(3600)));
    message.setReturnReceipt(true);
    message.setPriority(ptHigh);

    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setMailMessage(&message);
    smtp.setLogFile(dir.filePath(s("dialogue.log")));
    QStringList events;
    QString busy;
    smtp.OnOpen = [&](TagSocket&) { events << s("open"); };
    smtp.OnPrepare = [&](TmsSMTP&) { events << s("prepare"); };
    smtp.OnSending = [&](TmsSMTP& sender) {
        events << s("sending");
        try {
            sender.Send();
        } catch (const ESocketError& e) {
            busy = e.text();
        }
    };
    int lastPercent = -1;
    smtp.OnProgress = [&](TagSocket&, int percent, qint64) {
        if (events.last() != u"progress")
            events << s("progress");
        lastPercent = percent;
    };
    smtp.OnMailSent = [&](TmsSMTP&) { events << s("sent"); };
    smtp.OnClosing = [&](TagSocket&) { events << s("closing"); };
    smtp.OnClosed = [&](TagSocket&) { events << s("closed"); };
    // The busy refusal is the one error the socket layer reports on its own.
    smtp.Send();
    EXPECT_EQ(busy, s("Busy performing current action."));
    EXPECT_EQ(events, (QStringList{s("open"), s("prepare"), s("sending"), s("progress"), s("sent"), s("closing"),
                                   s("closed")}));
    EXPECT_EQ(lastPercent, 100);
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(smtp.QuitError(), QString());

    ASSERT_EQ(server.messageCount(), 1);
    const QJsonObject envelope = server.envelope(1);
    EXPECT_EQ(envelope[u"mail_from"].toString(), s("tester@example.test"));
    EXPECT_EQ(strings(envelope[u"rcpt_tos"]), (QStringList{s("j.smith@example.test"), s("john@example.test"),
                                                           s("joerg@example.test"), s("hidden@example.test")}));
    EXPECT_EQ(envelope[u"helo"].toString(), TmsComposer::localHostName());

    const QByteArray raw = server.message(1);
    EXPECT_TRUE(raw.startsWith("From:     Zentrel Tester <tester@example.test>\r\n")) << raw.left(80).constData();
    EXPECT_TRUE(raw.contains("\r\nTo:       \"J. Smith\" <j.smith@example.test>,\r\n"
                             "          \"Smith, John\" <john@example.test>\r\n"));
    EXPECT_TRUE(raw.contains("\r\nDate: Tue, 05 Mar 2024 14:07:09 +0100\r\n"));
    const QJsonObject mail = readMail(server.messagePath(1));
    expectClean(mail);
    const QJsonObject addresses = mail[u"addresses"].toObject();
    EXPECT_EQ(strings(addresses[u"From"]), QStringList{s("Zentrel Tester <tester@example.test>")});
    EXPECT_EQ(strings(addresses[u"To"]),
              (QStringList{s("J. Smith <j.smith@example.test>"), s("Smith, John <john@example.test>")}));
    EXPECT_EQ(strings(addresses[u"Cc"]), QStringList{s("Jörg \"the\" Müller <joerg@example.test>")});
    const QJsonObject headers = mail[u"headers"].toObject();
    EXPECT_FALSE(headers.contains(u"Bcc"));
    EXPECT_FALSE(headers.contains(u"bcc"));
    EXPECT_EQ(strings(headers[u"Subject"]), QStringList{s("Übersicht: new release  Bcc: evil@example.test")});
    EXPECT_FALSE(headers.contains(u"subject"));
    EXPECT_EQ(strings(headers[u"X-Zentrel"]), QStringList{s("product notice")});
    EXPECT_EQ(strings(headers[u"X-Priority"]), QStringList{s("1")});
    EXPECT_EQ(strings(headers[u"Return-Receipt-To"]), QStringList{s("<tester@example.test>")});
    EXPECT_EQ(strings(headers[u"Message-ID"]).size(), 1);
    // The reserved lines are gone from the message for good; the rest stays.
    EXPECT_EQ(message.Headers(), (QStringList{s("X-Zentrel: product notice"), s("not a header line")}));

    const QJsonArray parts = mail[u"parts"].toArray();
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0][u"type"].toString(), s("text/plain"));
    EXPECT_EQ(parts[0][u"cte"].toString(), s("7bit"));
    EXPECT_EQ(parts[0][u"text"].toString().replace(s("\r\n"), s("\n")), s("Hello\n.\n.profile\ntwo\nlines\n\n"));

    // The log holds the dialogue, not the mail.
    const QByteArray log = readAll(smtp.LogFile());
    EXPECT_TRUE(log.contains("\r\nMAIL FROM:<tester@example.test>\r\n250"));
    EXPECT_TRUE(log.contains("\r\nRCPT TO:<hidden@example.test>\r\n250"));
    EXPECT_TRUE(log.contains("\r\nDATA\r\n354"));
    EXPECT_TRUE(log.contains("\r\nQUIT\r\n221"));
    EXPECT_FALSE(log.contains(".profile"));

    // Blind copies only: an envelope without a single header address.
    TmsMessage blind;
    blind.Sender().setAddress(s("tester@example.test"));
    blind.BCC().Add(s("Hidden One"), s("one@example.test"));
    blind.BCC().Add(s("Hidden Two"), s("two@example.test"));
    smtp.setMailMessage(&blind);
    smtp.OnSending = nullptr;
    smtp.Send();
    ASSERT_EQ(server.messageCount(), 2);
    EXPECT_EQ(strings(server.envelope(2)[u"rcpt_tos"]), (QStringList{s("one@example.test"), s("two@example.test")}));
    const QJsonObject blindMail = readMail(server.messagePath(2));
    expectClean(blindMail);
    EXPECT_EQ(blindMail[u"addresses"].toObject().keys(), QStringList{s("From")});
    EXPECT_FALSE(server.message(2).contains("Hidden"));
}

TEST(SmtpClient, FilesDecodeToTheirBytesInEveryLayout)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    QTemporaryDir dir;
    const QByteArray small = randomBytes(100, 1);
    const QByteArray binary = randomBytes(5000, 2);
    // Lines a careless encoder would damage or take for a boundary.
    const QByteArray text = "-- signature\r\n--12345678\r\na=b\r\ntrailing blank \r\n" + QByteArray(200, 'x') +
                            "\r\n.\r\n\r\ncaf\xe9\r\n";
    const QByteArray forward = "Subject: inner\r\n\r\nbody line\r\n-- \r\n";
    const QByteArray wide = "Subject: wide\r\n\r\n" + QByteArray(1500, 'w') + "\r\n";
    const QString smallPath = writeFile(dir, s("data.bin"), small);
    const QString binaryPath = writeFile(dir, s("Résumé \"final\".bin"), binary);
    const QString textPath = writeFile(dir, s("notes.txt"), text);
    const QString forwardPath = writeFile(dir, s("forward.eml"), forward);
    const QString widePath = writeFile(dir, s("wide.eml"), wide);

    TmsSMTP smtp;
    smtp.setServer(server.address());

    // A body and one small binary file.
    TmsMessage withBody;
    addressTo(withBody, s("one@example.test"));
    withBody.setBody({s("See the file.")});
    withBody.Attachments().Add(smallPath);
    smtp.setMailMessage(&withBody);
    ASSERT_EQ(sendFailure(smtp), QString());
    const QByteArray raw = server.message(1);
    const qsizetype start = raw.indexOf("filename=\"data.bin\"\r\n\r\n");
    ASSERT_GT(start, 0);
    const QList<QByteArray> lines = raw.mid(start).split('\n');
    EXPECT_EQ(lines[2].size(), 77);
    EXPECT_EQ(lines[3].size(), 61);
    EXPECT_EQ(lines[4], "\r");
    QJsonObject mail = readMail(server.messagePath(1));
    expectClean(mail);
    EXPECT_TRUE(strings(mail[u"headers"][u"Content-Type"]).first().startsWith(u"multipart/mixed"));
    QJsonArray parts = mail[u"parts"].toArray();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(parts[0][u"text"].toString().trimmed(), s("See the file."));
    EXPECT_EQ(parts[1][u"filename"].toString(), s("data.bin"));
    EXPECT_EQ(decoded(parts[1][u"data"]), small);

    // A body and every kind of file.
    TmsMessage everything;
    addressTo(everything, s("two@example.test"));
    everything.setBody({s("--"), s("-- "), s("Files follow.")});
    for (const QString& path : {binaryPath, textPath, forwardPath, widePath})
        everything.Attachments().Add(path);
    smtp.setMailMessage(&everything);
    ASSERT_EQ(sendFailure(smtp), QString());
    mail = readMail(server.messagePath(2));
    expectClean(mail);
    parts = mail[u"parts"].toArray();
    ASSERT_EQ(parts.size(), 5);
    EXPECT_EQ(parts[0][u"text"].toString().replace(s("\r\n"), s("\n")), s("--\n-- \nFiles follow.\n"));
    EXPECT_EQ(parts[1][u"filename"].toString(), s("Résumé \"final\".bin"));
    EXPECT_EQ(decoded(parts[1][u"data"]), binary);
    EXPECT_EQ(parts[2][u"filename"].toString(), s("notes.txt"));
    EXPECT_EQ(parts[2][u"cte"].toString().toLower(), s("quoted-printable"));
    EXPECT_EQ(decoded(parts[2][u"data"]), text);
    EXPECT_EQ(parts[3][u"type"].toString(), s("message/rfc822"));
    EXPECT_EQ(parts[3][u"cte"].toString(), s("7bit"));
    EXPECT_EQ(parts[3][u"inner_subject"].toString(), s("inner"));
    // Too wide for 7bit: it goes as bytes.
    EXPECT_EQ(parts[4][u"filename"].toString(), s("wide.eml"));
    EXPECT_EQ(parts[4][u"type"].toString(), s("application/octet-stream"));
    EXPECT_EQ(decoded(parts[4][u"data"]), wide);

    // One file and no body: the file is the mail.
    TmsMessage lone;
    addressTo(lone, s("three@example.test"));
    lone.Attachments().Add(binaryPath);
    smtp.setMailMessage(&lone);
    ASSERT_EQ(sendFailure(smtp), QString());
    EXPECT_FALSE(server.message(3).contains("multipart"));
    mail = readMail(server.messagePath(3));
    expectClean(mail);
    parts = mail[u"parts"].toArray();
    ASSERT_EQ(parts.size(), 1);
    EXPECT_EQ(parts[0][u"type"].toString(), s("application/octet-stream"));
    EXPECT_EQ(parts[0][u"filename"].toString(), s("Résumé \"final\".bin"));
    EXPECT_EQ(decoded(parts[0][u"data"]), binary);
}

TEST(SmtpClient, ABodyTheDeclaredSetCannotCarryGoesQuotedPrintable)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    const struct {
        QStringList body;
        TCharSet charSet;
        const char* charset;
        const char* encoding;
    } cases[] = {
        {{s("plain"), s(".")}, csUSASCII, "us-ascii", "7bit"},
        {{s("before"), QString(300, u'y'), s("after")}, csUSASCII, "us-ascii", "quoted-printable"},
        {{s("café crème")}, csUSASCII, "iso-8859-1", "quoted-printable"},
        {{s("plain")}, csISO8859, "iso-8859-1", "quoted-printable"},
        {{s("Ω and -- and = and tab\tend ")}, csISO8859, "utf-8", "quoted-printable"},
        {{s("nul\x01inside")}, csUSASCII, "us-ascii", "quoted-printable"},
    };
    TmsSMTP smtp;
    smtp.setServer(server.address());
    int sent = 0;
    for (const auto& c : cases) {
        TmsMessage message;
        addressTo(message, s("reader@example.test"));
        message.setBody(c.body);
        message.setCharSet(c.charSet);
        smtp.setMailMessage(&message);
        ASSERT_EQ(sendFailure(smtp), QString());
        const QJsonObject mail = readMail(server.messagePath(++sent));
        expectClean(mail);
        const QJsonArray parts = mail[u"parts"].toArray();
        ASSERT_EQ(parts.size(), 1);
        EXPECT_EQ(parts[0][u"charset"].toString(), s(c.charset)) << c.body.first().left(20).toStdString();
        EXPECT_EQ(parts[0][u"cte"].toString(), s(c.encoding)) << c.body.first().left(20).toStdString();
        EXPECT_EQ(parts[0][u"text"].toString().replace(s("\r\n"), s("\n")), c.body.join(u'\n') + u'\n');
    }
}

TEST(SmtpClient, APlainTextMailCarriesUuencodedFiles)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    QTemporaryDir dir;
    // 45 + 14 bytes: the second line's length character is a period.
    const QByteArray bytes = randomBytes(59, 3);
    const QString path = writeFile(dir, s("f.bin"), bytes);
    TmsMessage message;
    addressTo(message, s("reader@example.test"));
    message.setEncoding(meUU);
    message.setBody({s("See attached")});
    message.Attachments().Add(path);
    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setMailMessage(&message);
    ASSERT_EQ(sendFailure(smtp), QString());
    const QByteArray raw = server.message(1);
    EXPECT_FALSE(raw.contains("Mime-Version"));
    EXPECT_TRUE(raw.contains("\r\n\r\nSee attached\r\nbegin 600 f.bin\r\nM"));
    EXPECT_TRUE(raw.contains("\r\n.")) << "no line starting with a period";
    EXPECT_TRUE(raw.endsWith("\r\n`\r\nend\r\n"));
    const QJsonObject mail = readMail(server.messagePath(1));
    expectClean(mail);
    const QJsonArray files = mail[u"uu"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0][u"name"].toString(), s("f.bin"));
    EXPECT_EQ(decoded(files[0][u"data"]), bytes);
}

TEST(SmtpClient, ARefusalFailsTheMailWithTheServersTextUnlessTheHandlerProceeds)
{
    SmtpTestServer server({s("--refuse"), s("bad@example.test")});
    ASSERT_TRUE(server.started());
    TmsMessage message;
    addressTo(message, s("good@example.test"));
    message.Recipients().Add(QString(), s("bad@example.test"));
    message.CC().Add(QString(), s("other@example.test"));
    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setMailMessage(&message);
    bool closed = false;
    smtp.OnClosed = [&](TagSocket&) { closed = true; };

    try {
        smtp.Send();
        ADD_FAILURE() << "a refused recipient was taken";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.number(), 550);
        EXPECT_EQ(e.text(), s("550 5.1.1 <bad@example.test>: Recipient address rejected"));
    }
    EXPECT_TRUE(closed);
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(server.messageCount(), 0);

    QStringList rejected;
    smtp.OnAddressRejected = [&](TmsSMTP&, const QString& address, const QString& reply, bool& proceed) {
        rejected << address << reply;
        proceed = true;
    };
    EXPECT_EQ(sendFailure(smtp), QString());
    EXPECT_EQ(rejected,
              (QStringList{s("bad@example.test"), s("550 5.1.1 <bad@example.test>: Recipient address rejected")}));
    ASSERT_EQ(server.messageCount(), 1);
    EXPECT_EQ(strings(server.envelope(1)[u"rcpt_tos"]), (QStringList{s("good@example.test"), s("other@example.test")}));

    SmtpTestServer refusing({s("--refuse-data")});
    ASSERT_TRUE(refusing.started());
    smtp.setServer(refusing.address());
    EXPECT_EQ(sendFailure(smtp), s("554 5.6.0 Message content rejected"));
    EXPECT_EQ(refusing.messageCount(), 0);
}

TEST(SmtpClient, AMessageThatCannotGoFailsBeforeTheEnvelope)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    QTemporaryDir dir;
    QTemporaryDir temp;
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());

    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setLogFile(dir.filePath(s("dialogue.log")));
    EXPECT_EQ(sendFailure(smtp), s("MailMessage property must be assigned"));

    const struct {
        const char* sender;
        const char* recipient;
        const char* attachment;
        const char* failure;
    } cases[] = {
        {"", "to@example.test", nullptr, "The address of sender is required"},
        {"from@example.test", "", nullptr, "At least one Recipient, CC or BCC must be entered"},
        {"from@example.test", "to@example.test>\r\nRCPT TO:<x@example.test", nullptr,
         "Invalid character in mail address: to@example.test>  RCPT TO:<x@example.test"},
        {"<from@example.test>", "to@example.test", nullptr,
         "Invalid character in mail address: <from@example.test>"},
        {"from@example.test", "to@example.test", "missing.bin", "Cannot open file"},
    };
    for (const auto& c : cases) {
        TmsMessage message;
        message.Sender().setAddress(s(c.sender));
        message.Recipients().Add(QString(), s(c.recipient));
        if (c.attachment)
            message.Attachments().Add(dir.filePath(s(c.attachment)));
        smtp.setMailMessage(&message);
        EXPECT_TRUE(sendFailure(smtp).startsWith(s(c.failure))) << c.failure;
    }
    // Each one greeted and said goodbye, but never began an envelope.
    const QByteArray log = readAll(smtp.LogFile());
    EXPECT_EQ(log.count("\r\nQUIT\r\n221"), 6);
    EXPECT_FALSE(log.contains("MAIL FROM"));
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    EXPECT_EQ(server.messageCount(), 0);
    qputenv("TMPDIR", savedTemp);
}

TEST(SmtpClient, AHeloRefusedWithTheNameIsSentBareAndAFailedQuitAfterDeliveryIsNoError)
{
    FakeSmtpServer server;
    server.onLine = [](QTcpSocket& socket, const QByteArray& line) -> QByteArray {
        // A server of old: it knows no EHLO.
        if (line.startsWith("EHLO "))
            return "500 unknown command\r\n";
        if (line.startsWith("HELO "))
            return "500 no names here\r\n";
        if (line == "HELO")
            return "250-fake\r\n250-more\r\n250\r\n";
        // The mail went; the server drops the line instead of answering.
        if (line == "QUIT") {
            socket.abort();
            return {};
        }
        return FakeSmtpServer::standardAnswer(socket, line);
    };
    TmsMessage message;
    addressTo(message, s("to@example.test"));
    message.setBody({s(".")});
    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setTimeOut(2);
    smtp.setMailMessage(&message);
    bool mailSent = false;
    smtp.OnMailSent = [&](TmsSMTP&) { mailSent = true; };
    EXPECT_EQ(sendFailure(smtp), QString());
    EXPECT_TRUE(mailSent);
    EXPECT_FALSE(smtp.QuitError().isEmpty());
    const QByteArray received = server.received();
    const QByteArray name = TmsComposer::localHostName().toLatin1();
    const QByteArray opening = "EHLO " + name + "\r\nHELO " + name + "\r\nHELO\r\nMAIL FROM:";
    EXPECT_TRUE(received.startsWith(opening))
        << received.left(80).constData();
    EXPECT_TRUE(received.contains("\r\n..\r\n.\r\nQUIT\r\n"));
}

TEST(SmtpClient, HostileRepliesEndWithAClearErrorAndLeaveNothingOpen)
{
    const struct {
        const char* what;
        std::function<void(QTcpSocket&)> greet;
        const char* failure;
    } cases[] = {
        {"a line without end", [](QTcpSocket& s) { s.write(QByteArray(70 * 1024, 'a')); }, "Server reply too long"},
        {"a line too long", [](QTcpSocket& s) { s.write("220 " + QByteArray(70 * 1024, 'a') + "\r\n"); },
         "Server reply too long"},
        {"endless continuation",
         [](QTcpSocket& s) {
             for (int i = 0; i < 1100; ++i)
                 s.write("220-still going\r\n");
         },
         "Server reply too long"},
        {"silence", [](QTcpSocket&) {}, "Operation timed out"},
        {"a drip",
         [](QTcpSocket& s) {
             auto* timer = new QTimer(&s);
             QObject::connect(timer, &QTimer::timeout, &s, [&s] { s.write("2"); });
             timer->start(200);
         },
         "Operation timed out"},
        {"a close mid-reply",
         [](QTcpSocket& s) {
             s.write("220-first line\r\n");
             s.disconnectFromHost();
         },
         "Connection closed before the reply was complete"},
    };
    TmsMessage message;
    addressTo(message, s("to@example.test"));
    for (const auto& c : cases) {
        FakeSmtpServer server;
        server.onConnect = c.greet;
        TmsSMTP smtp;
        smtp.setServer(server.address());
        smtp.setTimeOut(1);
        smtp.setMailMessage(&message);
        EXPECT_EQ(sendFailure(smtp, true), s(c.failure)) << c.what;
        EXPECT_FALSE(smtp.Connected()) << c.what;
    }
}

TEST(SmtpClient, ACancelDuringTheDataDeliversNothing)
{
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    QTemporaryDir dir;
    QTemporaryDir temp;
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    TmsMessage message;
    addressTo(message, s("to@example.test"));
    message.Attachments().Add(writeFile(dir, s("big.bin"), randomBytes(4 * 1024 * 1024, 4)));
    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setMailMessage(&message);
    QStringList events;
    smtp.OnProgress = [&](TagSocket& socket, int, qint64) {
        if (events.isEmpty())
            socket.Cancel();
    };
    smtp.OnCancel = [&](TagSocket&) { events << s("cancel"); };
    smtp.OnMailSent = [&](TmsSMTP&) { events << s("sent"); };
    EXPECT_EQ(sendFailure(smtp, true), s("Operation has been canceled"));
    EXPECT_EQ(events, QStringList{s("cancel")});
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
    settle(300);
    EXPECT_EQ(server.messageCount(), 0);

    // The next send is not cancelled.
    smtp.OnProgress = nullptr;
    EXPECT_EQ(sendFailure(smtp), QString());
    EXPECT_EQ(server.messageCount(), 1);
    qputenv("TMPDIR", savedTemp);
}
