#include "net/CWinsock.h"
#include "net/ESocketError.h"
#include "net/TFtpClient.h"
#include "net/WaitFor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <functional>
#include <memory>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// An FTP control connection that answers each command line as the test says,
// for the replies and the behaviour a real server does not show.
class FakeFtpServer {
public:
    FakeFtpServer()
    {
        m_server.listen(QHostAddress(s("127.0.0.1")), 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            if (!socket)
                return;
            control = socket;
            // Urgent bytes arrive with the rest, where the test can see them.
            const int inline_ = 1;
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_OOBINLINE, &inline_, sizeof inline_);
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { take(socket); });
            if (!greeting.isEmpty())
                socket->write(greeting);
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    void aim(TFtpClient& ftp) const
    {
        ftp.setRemoteHost(s("127.0.0.1"));
        ftp.setRemotePort(port());
        ftp.setUser(s("user"));
        ftp.setPassword(s("secret"));
        ftp.setTimeOut(2);
    }

    QByteArray greeting = "220 Fake ready\r\n";
    // The answer to each command line (without CR LF); the default takes everything.
    std::function<QByteArray(const QByteArray& line)> answer = [](const QByteArray& line) -> QByteArray {
        if (line.startsWith("USER"))
            return "331 Password please\r\n";
        return "200 OK\r\n";
    };
    QList<QByteArray> commands;
    QByteArray received;
    QTcpSocket* control = nullptr;

private:
    void take(QTcpSocket* socket)
    {
        const QByteArray bytes = socket->readAll();
        received += bytes;
        m_pending += bytes;
        for (qsizetype end; (end = m_pending.indexOf("\r\n")) >= 0;) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 2);
            commands << line;
            socket->write(answer(line));
        }
    }

    QTcpServer m_server;
    QByteArray m_pending;
};

// A data listener the test points PASV replies at; keeps what each connection sent.
class FakeDataPort {
public:
    explicit FakeDataPort(const char* address = "127.0.0.1", quint16 port = 0)
    {
        listening = m_server.listen(QHostAddress(s(address)), port);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                last = socket;
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { data += socket->readAll(); });
                QObject::connect(socket, &QTcpSocket::disconnected, [this] {
                    closed = true;
                    if (onClosed)
                        onClosed();
                    wakeWaits();
                });
                if (!toSend.isEmpty()) {
                    socket->write(toSend);
                    socket->disconnectFromHost();
                }
            }
        });
    }
    // "227 Entering Passive Mode (127,0,0,1,p1,p2)"
    QByteArray pasvReply() const
    {
        const quint16 port = m_server.serverPort();
        return "227 Entering Passive Mode (127,0,0,1," + QByteArray::number(port >> 8) + ','
            + QByteArray::number(port & 0xFF) + ")\r\n";
    }

    bool listening = false;
    int connections = 0;
    bool closed = false;
    QByteArray data;
    QByteArray toSend;
    QTcpSocket* last = nullptr;
    // What the server does once the client has ended the data connection.
    std::function<void()> onClosed;

private:
    QTcpServer m_server;
};

struct Failure {
    int code = 0;
    QString text;
};

Failure failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const ESocketError& e) {
        return {e.number(), e.text()};
    }
    return {};
}

} // namespace

TEST(FtpClientFake, ErrorTextsFollowTheSocketTable)
{
    EXPECT_EQ(CWinsock::ErrorText(10061), s("[10061] Connection refused."));
    EXPECT_EQ(CWinsock::ErrorText(11001), s("[11001] Host not found."));
    EXPECT_EQ(CWinsock::ErrorText(0), s("Ok"));
    EXPECT_EQ(CWinsock::ErrorText(12345), s("[12345] (no description available)."));
    EXPECT_EQ(CWinsock::ErrorText(10094), s("[10094] (no description available)."));
    EXPECT_EQ(CWinsock::socketErrorNumber(QAbstractSocket::ConnectionRefusedError), 10061);

    // A refused control connection is told through OnError and raised alike.
    QTcpServer closed;
    closed.listen(QHostAddress(s("127.0.0.1")), 0);
    const quint16 port = closed.serverPort();
    closed.close();
    TFtpClient ftp;
    EXPECT_TRUE(ftp.WinsockLoaded());
    ftp.setRemoteHost(s("127.0.0.1"));
    ftp.setRemotePort(port);
    QList<QPair<int, QString>> errors;
    ftp.OnError = [&](TFtpClient&, int code, const QString& text) { errors.append({code, text}); };
    const Failure failure = failureOf([&] { ftp.setAction(ftpLogon); });
    const QString text = s("Failed to connect: [10061] Connection refused.");
    EXPECT_EQ(failure.code, 142);
    EXPECT_EQ(failure.text, text);
    EXPECT_EQ(ftp.LastErrorCode(), 142);
    EXPECT_EQ(ftp.LastErrorText(), text);
    EXPECT_EQ(errors, (QList<QPair<int, QString>>{{142, text}}));
}

TEST(FtpClientFake, RepliesAreReadWholeAndPasswordsStayOutOfTheTrail)
{
    FakeFtpServer server;
    server.greeting = "220-Welcome\r\n220-to the fake\r\n220 ready\r\n";
    TFtpClient ftp;
    server.aim(ftp);
    QStringList trail;
    ftp.OnFirePITrail = [&](TFtpClient&, int direction, const QString& message) {
        trail << QString::number(direction) + u' ' + message;
    };
    ftp.setTransferMode(tmBinary);
    ftp.setAction(ftpLogon);
    EXPECT_EQ(trail, (QStringList{s("2 Connecting to FTP server."), s("2 Connected."), s("1 220-Welcome"),
                                  s("1 220-to the fake"), s("1 220 ready"), s("0 USER user"),
                                  s("1 331 Password please"), s("0 PASS ********"), s("1 200 OK"),
                                  s("0 TYPE I"), s("1 200 OK")}));
    EXPECT_EQ(server.commands, (QList<QByteArray>{"USER user", "PASS secret", "TYPE I"}));

    // A refusal ends the action with the server's line; the connection stays.
    server.answer = [](const QByteArray& line) -> QByteArray {
        if (line.startsWith("USER"))
            return "230 Already in\r\n";
        if (line.startsWith("DELE"))
            return "150 Working\r\n150 Still working\r\n550 No such file\r\n";
        return "200 OK\r\n";
    };
    ftp.setRemoteFile(s("gone.zip"));
    const Failure failure = failureOf([&] { ftp.setAction(ftpDeleteFile); });
    EXPECT_EQ(failure.code, 141);
    EXPECT_EQ(failure.text, s("550 No such file"));
    EXPECT_EQ(ftp.ReplyCode(), 550);

    // A server content with the user name alone gets no password.
    server.commands.clear();
    ftp.setAction(ftpLogon);
    EXPECT_EQ(server.commands, (QList<QByteArray>{"USER user", "TYPE I"}));

    // A name with a line break cannot smuggle in a command of its own.
    server.commands.clear();
    ftp.setRemoteFile(s("a.zip\r\nDELE b.zip"));
    EXPECT_EQ(failureOf([&] { ftp.setAction(ftpDeleteFile); }).code, 10022);
    EXPECT_TRUE(server.commands.isEmpty());
}

TEST(FtpClientFake, AbortReadsA426ThenTheAbortsOwnReply)
{
    FakeFtpServer server;
    server.answer = [](const QByteArray& line) -> QByteArray {
        if (line.endsWith("ABOR"))
            return "426 Transfer aborted\r\n226 Abort successful\r\n";
        return "200 OK\r\n";
    };
    TFtpClient ftp;
    server.aim(ftp);
    ftp.setAction(ftpLogon);
    server.received.clear();
    ftp.setAction(ftpAbort);
    EXPECT_EQ(server.received, QByteArray("\xFF\xF4\xFF\xF2" "ABOR\r\n"));
    EXPECT_EQ(ftp.ReplyText(), s("226 Abort successful"));
}

namespace {

// A passive upload of 1 MB that a handler may abort; the server answers "ABOR" with `abortReply`.
struct AbortedUpload {
    explicit AbortedUpload(const QByteArray& abortReply)
    {
        server.answer = [this, abortReply](const QByteArray& line) -> QByteArray {
            if (line.startsWith("USER"))
                return "230 In\r\n";
            if (line == "PASV")
                return data.pasvReply();
            if (line.startsWith("STOR"))
                return "150 Go ahead\r\n";
            if (line.endsWith("ABOR"))
                return abortReply;
            if (line.startsWith("DELE"))
                return "250 Deleted\r\n";
            return "200 OK\r\n";
        };
        const QString path = dir.filePath(s("big.bin"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(1024 * 1024, 'z'));
        file.close();
        server.aim(ftp);
        ftp.setPassive(true);
        ftp.setLocalFile(path);
        ftp.setRemoteFile(s("big.bin"));
    }

    FakeFtpServer server;
    FakeDataPort data;
    QTemporaryDir dir;
    TFtpClient ftp;
};

} // namespace

// A server that answers only the aborted transfer holds the abort for the
// short wait, not for the whole time-out its 426 began.
TEST(FtpClientFake, AnUnansweredAbortWaitsOnlyAShortWhile)
{
    AbortedUpload upload("426 Transfer aborted\r\n");
    TFtpClient& ftp = upload.ftp;
    ftp.setTimeOut(40);
    QElapsedTimer clock;
    int blocks = 0;
    ftp.OnTransfer = [&](TFtpClient& sender, qint64, const QByteArray&) {
        if (++blocks == 3) {
            clock.start();
            sender.setAction(ftpAbort);
        }
    };
    const Failure failure = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(failure.code, 301);
    EXPECT_LT(clock.elapsed(), (TFtpClient::AbortReplySeconds + 15) * 1000);
}

TEST(FtpClientFake, AnAbortFromAHandlerFailsTheUploadAndLeavesNoStaleReply)
{
    AbortedUpload upload("426 Transfer aborted\r\n226 Abort successful\r\n");
    TFtpClient& ftp = upload.ftp;
    qint64 lastBlock = 0;
    int blocks = 0;
    ftp.OnTransfer = [&](TFtpClient& sender, qint64 bytes, const QByteArray&) {
        EXPECT_LE(bytes - lastBlock, TFtpClient::UploadBlockSize);
        lastBlock = bytes;
        if (++blocks == 3)
            sender.setAction(ftpAbort);
    };
    const Failure failure = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(failure.code, 301);
    EXPECT_EQ(failure.text, s("Interrupted"));
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(ftp.Action(), ftpIdle);

    // The next action hears its own reply, not one left over from the abort.
    ftp.OnTransfer = nullptr;
    ftp.setAction(ftpDeleteFile);
    EXPECT_EQ(ftp.ReplyText(), s("250 Deleted"));
}

TEST(FtpClientFake, AnEmptyFileIsStoredByClosingTheDataConnectionAtOnce)
{
    FakeFtpServer server;
    FakeDataPort data;
    server.answer = [&](const QByteArray& line) -> QByteArray {
        if (line == "PASV")
            return data.pasvReply();
        if (line.startsWith("STOR"))
            return "150 Go ahead\r\n";
        return "200 OK\r\n";
    };
    // The closing reply comes only once the data connection has ended, as a server's does.
    data.onClosed = [&] { server.control->write("226 Stored\r\n"); };
    QTemporaryDir dir;
    const QString path = dir.filePath(s("empty.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    TFtpClient ftp;
    server.aim(ftp);
    ftp.setPassive(true);
    ftp.setLocalFile(path);
    ftp.setRemoteFile(s("empty.txt"));
    QStringList events;
    ftp.OnStartTransfer = [&](TFtpClient&) { events << s("start"); };
    ftp.OnTransfer = [&](TFtpClient&, qint64, const QByteArray&) { events << s("block"); };
    ftp.OnEndTransfer = [&](TFtpClient&) { events << s("end"); };
    ftp.setAction(ftpUpload);
    EXPECT_EQ(events, (QStringList{s("start"), s("end")}));
    EXPECT_EQ(server.commands.mid(server.commands.size() - 2), (QList<QByteArray>{"PASV", "STOR empty.txt"}));
    EXPECT_TRUE(data.closed);
    EXPECT_EQ(data.connections, 1);
    EXPECT_TRUE(data.data.isEmpty());
    EXPECT_EQ(ftp.ReplyText(), s("226 Stored"));
}

TEST(FtpClientFake, PassiveDataGoesToTheControlPeerWhateverTheReplyNames)
{
    // The reply names 127.0.0.2 port 1025; the data connection still goes to 127.0.0.1.
    FakeDataPort peer("127.0.0.1", 1025);
    FakeDataPort elsewhere("127.0.0.2", 1025);
    if (!peer.listening || !elsewhere.listening)
        GTEST_SKIP() << "port 1025 is taken on this machine";
    peer.toSend = "entry one\r\nentry two\r\n";
    FakeFtpServer server;
    server.answer = [](const QByteArray& line) -> QByteArray {
        if (line == "PASV")
            return "227 Entering Passive Mode (127,0,0,2,4,1)\r\n";
        if (line.startsWith("NLST"))
            return "150 Listing\r\n226 Done\r\n";
        return "230 OK\r\n";
    };
    TFtpClient ftp;
    server.aim(ftp);
    ftp.setPassive(true);
    QStringList entries;
    ftp.OnDirList = [&](TFtpClient&, const QString& entry) { entries << entry; };
    ftp.setAction(ftpListDirectory);
    EXPECT_EQ(entries, (QStringList{s("entry one"), s("entry two")}));
    EXPECT_EQ(peer.connections, 1);
    EXPECT_EQ(elsewhere.connections, 0);

    // A reply without six numbers from 0 to 255 is no address at all.
    for (const QByteArray& reply : {QByteArray("227 Entering Passive Mode (127,0,0,1,4)\r\n"),
                                    QByteArray("227 Entering Passive Mode (127,0,0,1,256,1)\r\n"),
                                    QByteArray("227 Entering Passive Mode 127,0,0,1,4,1\r\n"),
                                    QByteArray("200 Not passive\r\n")}) {
        server.answer = [reply](const QByteArray& line) -> QByteArray {
            return line == "PASV" ? reply : QByteArray("230 OK\r\n");
        };
        QList<int> errors;
        ftp.OnError = [&](TFtpClient&, int code, const QString&) { errors << code; };
        const Failure failure = failureOf([&] { ftp.setAction(ftpListDirectory); });
        EXPECT_EQ(failure.code, 141) << reply.constData();
        EXPECT_EQ(failure.text, s("Unexpected server reply.")) << reply.constData();
        EXPECT_EQ(errors, QList<int>{141});
    }
    EXPECT_EQ(peer.connections, 1);
}

TEST(FtpClientFake, HostileOrSilentServersEndInAClearError)
{
    struct Case {
        const char* name;
        std::function<void(FakeFtpServer&)> setUp;
        int code;
        const char* text;
    };
    const QByteArray endless = [] {
        QByteArray lines;
        for (int i = 0; i < 1500; ++i)
            lines += "220-still greeting\r\n";
        return lines;
    }();
    const QList<Case> cases{
        {"endless 220-", [&](FakeFtpServer& server) { server.greeting = endless; }, 141, "Server reply too long."},
        {"endless 150", [](FakeFtpServer& server) {
             server.answer = [](const QByteArray&) {
                 QByteArray lines;
                 for (int i = 0; i < 1001; ++i)
                     lines += "150 wait\r\n";
                 return lines;
             };
         }, 141, "Server reply too long."},
        {"10 MB line", [](FakeFtpServer& server) { server.greeting = "220 " + QByteArray(10 * 1024 * 1024, 'x'); },
         141, "Server reply too long."},
        {"silent", [](FakeFtpServer& server) { server.greeting.clear(); }, 302, "Timed out."},
        {"stalled mid-line", [](FakeFtpServer& server) { server.greeting = "220 hel"; }, 302, "Timed out."},
    };
    for (const Case& c : cases) {
        FakeFtpServer server;
        c.setUp(server);
        TFtpClient ftp;
        server.aim(ftp);
        ftp.setTimeOut(1);
        QStringList trail;
        ftp.OnFirePITrail = [&](TFtpClient&, int direction, const QString& message) {
            if (direction == 2)
                trail << message;
        };
        const Failure failure = failureOf([&] { ftp.setAction(ftpLogon); });
        EXPECT_EQ(failure.code, c.code) << c.name;
        EXPECT_EQ(failure.text, s(c.text)) << c.name;
        // The connection is given up: what the server sends next cannot be trusted.
        EXPECT_EQ(trail.value(trail.size() - 1), s("Disconnected.")) << c.name;
        EXPECT_FALSE(ftp.hasConnection()) << c.name;
    }
}

TEST(FtpClientFake, ADataConnectionOnlyComesFromTheControlPeer)
{
    FakeFtpServer server;
    std::unique_ptr<QTcpSocket> intruder;
    bool intruderClosed = false;
    bool connectBack = false;
    server.answer = [&](const QByteArray& line) -> QByteArray {
        if (line.startsWith("PORT ")) {
            const QList<QByteArray> n = line.mid(5).split(',');
            const quint16 port = quint16(n.value(4).toInt() * 256 + n.value(5).toInt());
            if (connectBack) {
                // Another address connects to the announced port first.
                intruder = std::make_unique<QTcpSocket>();
                intruder->bind(QHostAddress(s("127.0.0.2")));
                QObject::connect(intruder.get(), &QTcpSocket::disconnected, [&] { intruderClosed = true; });
                intruder->connectToHost(QHostAddress(s("127.0.0.1")), port);
            }
            return "200 PORT OK\r\n";
        }
        if (line.startsWith("STOR"))
            return "150 Opening data connection\r\n";
        return "230 OK\r\n";
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(s("a.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abc");
    file.close();

    TFtpClient ftp;
    server.aim(ftp);
    ftp.setTimeOut(1);
    ftp.setLocalFile(path);
    ftp.setRemoteFile(s("a.txt"));
    // No connection at all: the wait for it ends.
    Failure failure = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(failure.code, 302);
    EXPECT_EQ(failure.text, s("Timed out."));

    // One from elsewhere is closed and the wait goes on.
    connectBack = true;
    failure = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(failure.code, 302);
    ASSERT_TRUE(intruder);
    const bool cancelled = false;
    waitFor([&] { return intruderClosed; }, 2, cancelled);
    EXPECT_TRUE(intruderClosed);
    EXPECT_EQ(intruder->bytesAvailable(), 0);
}

TEST(FtpClientFake, ALocalFileThatFailsMidUploadFailsTheAction)
{
    FakeFtpServer server;
    FakeDataPort data;
    server.answer = [&](const QByteArray& line) -> QByteArray {
        if (line == "PASV")
            return data.pasvReply();
        if (line.startsWith("STOR"))
            return "150 Go ahead\r\n";
        if (line.startsWith("DELE"))
            return "250 Deleted\r\n";
        return "230 OK\r\n";
    };
    data.onClosed = [&] { server.control->write("426 Connection broken\r\n"); };
    QTemporaryDir dir;
    const QString path = dir.filePath(s("shrinking.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100000, 'q'));
    file.close();

    TFtpClient ftp;
    server.aim(ftp);
    ftp.setTimeOut(1);
    ftp.setPassive(true);
    ftp.setRemoteFile(s("x.bin"));
    EXPECT_EQ(failureOf([&] { ftp.setAction(ftpUpload); }).text, s("Please specify a local file for upload."));
    ftp.setLocalFile(dir.filePath(s("missing.bin")));
    const Failure missing = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(missing.code, 145);
    EXPECT_EQ(missing.text, s("Error reading from local file."));

    // The file is cut short by someone else while it is being sent.
    ftp.setLocalFile(path);
    QList<int> errors;
    ftp.OnError = [&](TFtpClient&, int code, const QString&) { errors << code; };
    ftp.OnTransfer = [&](TFtpClient&, qint64 bytes, const QByteArray&) {
        if (bytes == TFtpClient::UploadBlockSize)
            QFile::resize(path, 3 * TFtpClient::UploadBlockSize);
    };
    const Failure failure = failureOf([&] { ftp.setAction(ftpUpload); });
    EXPECT_EQ(failure.code, 144);
    EXPECT_EQ(failure.text, s("Error reading from local file."));
    EXPECT_EQ(errors, QList<int>{144});
    EXPECT_LT(data.data.size(), 3 * TFtpClient::UploadBlockSize + 1);

    // The server's word on the broken transfer was read: the next reply is the next action's.
    ftp.OnTransfer = nullptr;
    ftp.setAction(ftpDeleteFile);
    EXPECT_EQ(ftp.ReplyText(), s("250 Deleted"));
}

TEST(FtpClientFake, AnActionInProgressKeepsTheOthersOut)
{
    FakeFtpServer server;
    TFtpClient ftp;
    server.aim(ftp);
    QList<Failure> refusals;
    ftp.OnFirePITrail = [&](TFtpClient& sender, int direction, const QString&) {
        if (direction != 0 || !refusals.isEmpty())
            return;
        refusals << failureOf([&] { sender.setAction(ftpDeleteFile); })
                 << failureOf([&] { sender.setRemotePath(s("/pub")); })
                 << failureOf([&] { sender.setTransferMode(tmASCII); });
    };
    ftp.setAction(ftpLogon);
    ASSERT_EQ(refusals.size(), 3);
    for (const Failure& refusal : refusals) {
        EXPECT_EQ(refusal.code, 143);
        EXPECT_EQ(refusal.text, s("Busy performing current action."));
    }
    EXPECT_EQ(ftp.TransferMode(), tmDefault);
    EXPECT_EQ(server.commands, (QList<QByteArray>{"USER user", "PASS secret"}));
    EXPECT_EQ(failureOf([&] { ftp.setTransferMode(TTransferMode(7)); }).text, s("Invalid Transfermode value"));
}

TEST(FtpClientFake, ALostOrInterruptedWaitEndsAsInterrupted)
{
    // The server hangs up in the middle of a command.
    FakeFtpServer server;
    server.answer = [&](const QByteArray& line) -> QByteArray {
        if (line.startsWith("MKD"))
            QTimer::singleShot(0, server.control, [&] { server.control->abort(); });
        return line.startsWith("MKD") ? QByteArray() : QByteArray("230 OK\r\n");
    };
    TFtpClient ftp;
    server.aim(ftp);
    QStringList said;
    ftp.OnError = [&](TFtpClient&, int code, const QString& text) { said << QString::number(code) + u' ' + text; };
    ftp.OnFirePITrail = [&](TFtpClient&, int direction, const QString& message) {
        if (direction == 2)
            said << message;
    };
    ftp.setRemoteFile(s("new"));
    Failure failure = failureOf([&] { ftp.setAction(ftpMakeDirectory); });
    EXPECT_EQ(failure.code, 301);
    EXPECT_EQ(failure.text, s("Interrupted"));
    ASSERT_EQ(said.size(), 4);
    EXPECT_TRUE(said[2].startsWith(s("142 Disconnected: "))) << said[2].toStdString();
    EXPECT_EQ(said[3], s("Disconnected."));

    // A program that closes while the client waits.
    FakeFtpServer silent;
    silent.greeting.clear();
    TFtpClient waiting;
    silent.aim(waiting);
    waiting.setTimeOut(30);
    QTimer::singleShot(50, &waiting, [&] { waiting.Interrupt(); });
    failure = failureOf([&] { waiting.setAction(ftpLogon); });
    EXPECT_EQ(failure.code, 301);

    // The program leaves its event loops: the wait ends instead of hanging on.
    // Run inside exec() so the application's quitting is over when it returns.
    QTimer::singleShot(0, &waiting, [&] { failure = failureOf([&] { waiting.setAction(ftpLogon); }); });
    QTimer::singleShot(100, &waiting, [] { QCoreApplication::exit(0); });
    failure = {};
    QCoreApplication::exec();
    EXPECT_EQ(failure.code, 301);
    EXPECT_EQ(failure.text, s("Interrupted"));
}
