// The FTP client against a real server (Debian's pyftpdlib, started by
// scripts/ftp_test_server.py), with the data connection opened by the client
// (passive) and by the server (active).
#include "net/ESocketError.h"
#include "net/TFtpClient.h"

#include "TestServers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <ostream>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

// How an action ended: code 0 when it did not fail.
struct Outcome {
    int code = 0;
    QString text;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome)
{
    return out << outcome.code << " \"" << outcome.text.toStdString() << '"';
}

template <typename Call>
Outcome outcomeOf(Call call)
{
    try {
        call();
    } catch (const ESocketError& e) {
        return {e.number(), e.text()};
    }
    return {};
}

Outcome run(TFtpClient& ftp, TFtpActions action)
{
    return outcomeOf([&] { ftp.setAction(action); });
}

const Outcome Succeeded;
const QString RefusedName = QStringLiteral("refused.zip");

// A server with a fresh root, a client set up for it, a local folder, and
// everything the client reported on its trail.
struct Session {
    FtpTestServer server;
    QTemporaryDir local;
    TFtpClient ftp;
    QList<QPair<int, QString>> trail;

    explicit Session(bool passive, const QStringList& options = {QStringLiteral("--refuse"), RefusedName})
        : server(options)
    {
        ftp.setRemoteHost(s("127.0.0.1"));
        ftp.setRemotePort(server.port());
        ftp.setUser(server.user());
        ftp.setPassword(server.password());
        ftp.setPassive(passive);
        // A fault shows as a failure within seconds, not as a hung test.
        ftp.setTimeOut(20);
        ftp.OnFirePITrail = [this](TFtpClient&, int direction, const QString& message) {
            trail.append({direction, message});
        };
    }

    QString localFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = local.filePath(name);
        EXPECT_TRUE(writeAll(path, bytes));
        return path;
    }
    QString remoteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = server.filePath(name);
        EXPECT_TRUE(writeAll(path, bytes));
        return path;
    }

    Outcome upload(const QString& localPath, const QString& remoteName)
    {
        ftp.setLocalFile(localPath);
        ftp.setRemoteFile(remoteName);
        return run(ftp, ftpUpload);
    }

    qsizetype countCommands(const QString& prefix) const
    {
        qsizetype n = 0;
        for (const QString& command : server.commands())
            n += command.startsWith(prefix) ? 1 : 0;
        return n;
    }

    QStringList trailOf(int direction) const
    {
        QStringList lines;
        for (const auto& [d, message] : trail) {
            if (d == direction)
                lines << message;
        }
        return lines;
    }
};

class FtpClientServer : public ::testing::TestWithParam<bool> {};

INSTANTIATE_TEST_SUITE_P(DataConnection, FtpClientServer, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Passive" : "Active"; });

} // namespace

TEST_P(FtpClientServer, BinaryUploadsLandByteForByteOverOneLogon)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);

    int starts = 0, ends = 0;
    qint64 lastCount = -1;
    ftp.OnStartTransfer = [&](TFtpClient&) { ++starts; };
    ftp.OnEndTransfer = [&](TFtpClient&) { ++ends; };
    ftp.OnTransfer = [&](TFtpClient&, qint64 bytes, const QByteArray& text) {
        EXPECT_TRUE(text.isEmpty());
        EXPECT_GT(bytes, lastCount);
        lastCount = bytes;
    };
    // Around the block size, an empty file, and one of many blocks; the first
    // upload logs on by itself.
    static constexpr qsizetype sizes[] = {0, 1, 2047, 2048, 2049, 300001};
    constexpr qsizetype Uploads = qsizetype(std::size(sizes));
    for (const qsizetype size : sizes) {
        SCOPED_TRACE(size);
        const QByteArray bytes = randomBytes(size, quint32(size) + 1);
        const QString name = u"upload-" + QString::number(size) + u".bin";
        starts = ends = 0;
        lastCount = size == 0 ? 0 : -1;
        ASSERT_EQ(session.upload(session.localFile(name, bytes), name), Succeeded);
        EXPECT_EQ(readAll(session.server.filePath(name)), bytes);
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(lastCount, size);
    }
    EXPECT_EQ(session.countCommands(s("USER ")), 1);
    EXPECT_EQ(session.countCommands(s("TYPE I")), 1);
    EXPECT_EQ(session.countCommands(s("STOR ")), Uploads);
    // Every transfer used the data connection the property asks for.
    EXPECT_EQ(session.countCommands(GetParam() ? s("PASV") : s("PORT ")), Uploads);
    EXPECT_EQ(session.countCommands(GetParam() ? s("PORT ") : s("PASV")), 0);
    if (!GetParam()) {
        for (const QString& command : session.server.commands()) {
            if (command.startsWith(u"PORT ")) {
                EXPECT_TRUE(command.startsWith(u"PORT 127,0,0,1,")) << command.toStdString();
            }
        }
    }
    EXPECT_EQ(run(ftp, ftpLogoff), Succeeded);
    EXPECT_EQ(session.server.commands().last(), s("QUIT"));
}

TEST_P(FtpClientServer, TextModeLandsWithLfEndsAndTheModeChangesAtOnceWhileLoggedOn)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    const QByteArray text = "First line\r\nSecond line\r\n\r\nLast line\r\n";
    const QString path = session.localFile(s("readme.txt"), text);

    ftp.setTransferMode(tmASCII);
    ASSERT_EQ(session.upload(path, s("readme.txt")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("readme.txt"))), QByteArray("First line\nSecond line\n\nLast line\n"));
    EXPECT_EQ(session.countCommands(s("TYPE A")), 1);

    ftp.setTransferMode(tmBinary);
    EXPECT_EQ(session.server.commands().last(), s("TYPE I"));
    EXPECT_EQ(ftp.TransferMode(), tmBinary);
    ASSERT_EQ(session.upload(path, s("readme-binary.txt")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("readme-binary.txt"))), text);

    EXPECT_EQ(outcomeOf([&] { ftp.setTransferMode(TTransferMode(7)); }).text, s("Invalid Transfermode value"));
}

TEST_P(FtpClientServer, StartByteResumesUploadsAndDownloads)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    const QByteArray bytes = randomBytes(100000, 7);
    constexpr qsizetype Offset = 40000;

    // The server holds the first part of an interrupted upload.
    session.remoteFile(s("resumed.bin"), bytes.left(Offset));
    ftp.setStartByte(Offset);
    ASSERT_EQ(session.upload(session.localFile(s("whole.bin"), bytes), s("resumed.bin")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("resumed.bin"))), bytes);
    EXPECT_TRUE(session.server.commands().contains(s("REST 40000")));

    // The local file holds the first part of an interrupted download: it is kept.
    session.remoteFile(s("source.bin"), bytes);
    const QString partial = session.localFile(s("partial.bin"), bytes.left(Offset));
    ftp.setLocalFile(partial);
    ftp.setRemoteFile(s("source.bin"));
    ASSERT_EQ(run(ftp, ftpDownload), Succeeded);
    EXPECT_EQ(readAll(partial), bytes);
    EXPECT_EQ(session.countCommands(s("REST 40000")), 2);

    ftp.setStartByte(0);
    ASSERT_EQ(session.upload(session.localFile(s("small.bin"), "abc"), s("fresh.bin")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("fresh.bin"))), QByteArray("abc"));
    EXPECT_EQ(session.countCommands(s("REST ")), 2);
}

TEST_P(FtpClientServer, DownloadsGoIntoTheLocalFileOrThroughOnTransfer)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    const QByteArray bytes = randomBytes(250000, 11);
    session.remoteFile(s("data.bin"), bytes);

    // A stale, longer file of the same name is replaced, not overwritten in part.
    const QString target = session.localFile(s("data.bin"), QByteArray(400000, 'x'));
    ftp.setLocalFile(target);
    ftp.setRemoteFile(s("data.bin"));
    int starts = 0, ends = 0;
    ftp.OnStartTransfer = [&](TFtpClient&) { ++starts; };
    ftp.OnEndTransfer = [&](TFtpClient&) { ++ends; };
    ASSERT_EQ(run(ftp, ftpDownload), Succeeded);
    EXPECT_EQ(readAll(target), bytes);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(session.server.commands().contains(s("RETR data.bin")));

    QByteArray received;
    qint64 lastCount = 0;
    ftp.setLocalFile(QString());
    ftp.OnTransfer = [&](TFtpClient&, qint64 bytesSoFar, const QByteArray& text) {
        received += text;
        lastCount = bytesSoFar;
    };
    ASSERT_EQ(run(ftp, ftpDownload), Succeeded);
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(lastCount, bytes.size());

    // A missing file is the server's refusal, and the client goes on.
    ftp.setRemoteFile(s("missing.bin"));
    const Outcome missing = run(ftp, ftpDownload);
    EXPECT_EQ(missing.code, TFtpClient::ReplyError);
    EXPECT_TRUE(missing.text.startsWith(u"550 ")) << missing;
    ftp.setRemoteFile(s("data.bin"));
    received.clear();
    ASSERT_EQ(run(ftp, ftpDownload), Succeeded);
    EXPECT_EQ(received, bytes);
}

TEST_P(FtpClientServer, ListingsGiveOneEntryPerLine)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    session.remoteFile(s("alpha.txt"), "a");
    session.remoteFile(s("beta.zip"), "bb");
    ASSERT_TRUE(QDir(session.server.root()).mkdir(s("gamma")));

    QStringList entries;
    ftp.OnDirList = [&](TFtpClient&, const QString& entry) { entries << entry; };
    ASSERT_EQ(run(ftp, ftpListDirectory), Succeeded);
    entries.sort();
    EXPECT_EQ(entries, (QStringList{s("alpha.txt"), s("beta.zip"), s("gamma")}));
    EXPECT_EQ(session.countCommands(s("NLST")), 1);

    entries.clear();
    ASSERT_EQ(run(ftp, ftpListDirectoryLong), Succeeded);
    ASSERT_EQ(entries.size(), 3) << entries.join(u'|').toStdString();
    std::sort(entries.begin(), entries.end(),
              [](const QString& a, const QString& b) { return a.section(u' ', -1) < b.section(u' ', -1); });
    EXPECT_TRUE(entries[0].endsWith(u" alpha.txt")) << entries[0].toStdString();
    EXPECT_TRUE(entries[1].endsWith(u" beta.zip")) << entries[1].toStdString();
    EXPECT_TRUE(entries[2].endsWith(u" gamma")) << entries[2].toStdString();
    EXPECT_TRUE(entries[2].startsWith(u'd')) << entries[2].toStdString();
    EXPECT_TRUE(entries[0].startsWith(u'-')) << entries[0].toStdString();
}

TEST_P(FtpClientServer, FilesAndDirectoriesAreMadeRenamedAndRemoved)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    const QDir root(session.server.root());
    session.remoteFile(s("old.txt"), "contents");

    ftp.setRemoteFile(s("old.txt"));
    ftp.setAltFile(s("new.txt"));
    ASSERT_EQ(run(ftp, ftpRenameFile), Succeeded);
    EXPECT_FALSE(root.exists(s("old.txt")));
    EXPECT_EQ(readAll(root.filePath(s("new.txt"))), QByteArray("contents"));

    ftp.setRemoteFile(s("new.txt"));
    ASSERT_EQ(run(ftp, ftpDeleteFile), Succeeded);
    EXPECT_FALSE(root.exists(s("new.txt")));
    const Outcome again = run(ftp, ftpDeleteFile);
    EXPECT_EQ(again.code, TFtpClient::ReplyError);
    EXPECT_TRUE(again.text.startsWith(u"550 ")) << again;
    EXPECT_EQ(ftp.LastErrorCode(), TFtpClient::ReplyError);
    EXPECT_EQ(ftp.LastErrorText(), again.text);

    ftp.setRemoteFile(s("uploads"));
    ASSERT_EQ(run(ftp, ftpMakeDirectory), Succeeded);
    EXPECT_TRUE(QFileInfo(root.filePath(s("uploads"))).isDir());
    ASSERT_EQ(run(ftp, ftpRemoveDirectory), Succeeded);
    EXPECT_FALSE(root.exists(s("uploads")));

    const QStringList expected{s("RNFR old.txt"), s("RNTO new.txt"), s("DELE new.txt"), s("DELE new.txt"),
                               s("MKD uploads"), s("RMD uploads")};
    QStringList seen;
    for (const QString& command : session.server.commands()) {
        if (expected.contains(command))
            seen << command;
    }
    EXPECT_EQ(seen, expected);
}

TEST_P(FtpClientServer, RemotePathChangesDirectoryOnlyWhileLoggedOn)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ASSERT_TRUE(QDir(session.server.root()).mkpath(s("sub/deeper")));

    ftp.setRemotePath(s("sub"));
    EXPECT_EQ(ftp.RemotePath(), s("sub"));
    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);
    EXPECT_EQ(session.countCommands(s("CWD")), 0);
    EXPECT_EQ(ftp.RemotePath(), s("/"));
    EXPECT_EQ(session.server.commands().last(), s("PWD"));

    ftp.setRemotePath(s("sub"));
    EXPECT_EQ(session.server.commands().last(), s("CWD sub"));
    ftp.setRemotePath(s("deeper"));
    EXPECT_EQ(ftp.RemotePath(), s("/sub/deeper"));
    ASSERT_EQ(session.upload(session.localFile(s("here.txt"), "here"), s("here.txt")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("sub/deeper/here.txt"))), QByteArray("here"));

    ftp.setRemotePath(s(".."));
    EXPECT_EQ(session.server.commands().last(), s("CDUP"));
    EXPECT_EQ(ftp.RemotePath(), s("/sub"));

    const Outcome missing = outcomeOf([&] { ftp.setRemotePath(s("missing")); });
    EXPECT_EQ(missing.code, TFtpClient::ReplyError);
    EXPECT_TRUE(missing.text.startsWith(u"550 ")) << missing;
    EXPECT_EQ(ftp.RemotePath(), s("/sub"));
}

TEST_P(FtpClientServer, ActionsAndSettingsAreRefusedWhileATransferRuns)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    const QByteArray bytes = randomBytes(64 * 1024, 3);
    session.remoteFile(s("keep.txt"), "keep");

    QList<Outcome> refusals;
    ftp.OnTransfer = [&](TFtpClient& sender, qint64, const QByteArray&) {
        if (!refusals.isEmpty())
            return;
        sender.setRemoteFile(s("keep.txt"));
        refusals << outcomeOf([&] { sender.setAction(ftpDeleteFile); });
        refusals << outcomeOf([&] { sender.setAction(ftpLogon); });
        refusals << outcomeOf([&] { sender.setRemotePath(s("elsewhere")); });
        refusals << outcomeOf([&] { sender.setTransferMode(tmASCII); });
        sender.setRemoteFile(s("busy.bin"));
    };
    ASSERT_EQ(session.upload(session.localFile(s("busy.bin"), bytes), s("busy.bin")), Succeeded);
    const Outcome busy{TFtpClient::BusyError, s("Busy performing current action.")};
    EXPECT_EQ(refusals, (QList<Outcome>{busy, busy, busy, busy}));
    // The upload went on as if nothing had been asked.
    EXPECT_EQ(readAll(session.server.filePath(s("busy.bin"))), bytes);
    EXPECT_TRUE(QFile::exists(session.server.filePath(s("keep.txt"))));
    EXPECT_EQ(session.countCommands(s("DELE")), 0);
    EXPECT_EQ(session.countCommands(s("CWD")), 0);
    EXPECT_EQ(session.countCommands(s("TYPE A")), 0);
    EXPECT_EQ(session.countCommands(s("USER ")), 1);
}

TEST_P(FtpClientServer, AnAbortFromAHandlerFailsTheUploadAndTheClientGoesOn)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    const QByteArray bytes = randomBytes(8 * 1024 * 1024, 5);

    int blocks = 0;
    ftp.OnTransfer = [&](TFtpClient& sender, qint64, const QByteArray&) {
        if (++blocks != 3)
            return;
        const Outcome abort = outcomeOf([&] { sender.setAction(ftpAbort); });
        EXPECT_EQ(abort, Succeeded);
    };
    const Outcome aborted = session.upload(session.localFile(s("big.bin"), bytes), s("big.bin"));
    EXPECT_NE(aborted.code, 0);
    EXPECT_LT(blocks, 100) << "the upload went on after the abort";
    EXPECT_TRUE(session.server.commands().contains(s("ABOR")));
    EXPECT_NE(readAll(session.server.filePath(s("big.bin"))), bytes);

    ftp.OnTransfer = nullptr;
    EXPECT_EQ(run(ftp, ftpIdle), Succeeded);
    const QByteArray small = randomBytes(10000, 6);
    ASSERT_EQ(session.upload(session.localFile(s("after.bin"), small), s("after.bin")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("after.bin"))), small);

    // And after logging on anew.
    EXPECT_EQ(run(ftp, ftpLogoff), Succeeded);
    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);
    ASSERT_EQ(session.upload(session.localFile(s("after.bin"), small), s("again.bin")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("again.bin"))), small);
}

TEST_P(FtpClientServer, ARefusedFileNameFailsWithTheServersLineAndTheNextUploadGoes)
{
    Session session(GetParam());
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    const QString path = session.localFile(s("app.zip"), randomBytes(5000, 9));

    EXPECT_EQ(session.upload(path, RefusedName),
              (Outcome{TFtpClient::ReplyError, u"550 Not allowed to store " + RefusedName + u"."}));
    EXPECT_EQ(ftp.ReplyText(), u"550 Not allowed to store " + RefusedName + u".");
    EXPECT_FALSE(QFile::exists(session.server.filePath(RefusedName)));

    ASSERT_EQ(session.upload(path, s("app.zip")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("app.zip"))), readAll(path));
}

TEST(FtpClientServerLogon, TrailHidesThePasswordAndTheModeIsSentAfterEveryLogon)
{
    Session session(true);
    ASSERT_TRUE(session.server.started());
    TFtpClient& ftp = session.ftp;
    ftp.setTransferMode(tmBinary);
    EXPECT_TRUE(session.server.commands().isEmpty());

    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);
    EXPECT_EQ(session.server.commands(), (QStringList{s("USER zentrel"), s("PASS secret"), s("TYPE I")}));
    ASSERT_GE(session.trail.size(), 3);
    EXPECT_EQ(session.trail[0], qMakePair(2, s("Connecting to FTP server.")));
    EXPECT_EQ(session.trail[1], qMakePair(2, s("Connected.")));
    EXPECT_EQ(session.trail[2], qMakePair(1, s("220 Zentrel test server ready.")));
    EXPECT_EQ(session.trailOf(0), (QStringList{s("USER zentrel"), s("PASS ********"), s("TYPE I")}));
    EXPECT_TRUE(session.trailOf(1).contains(s("230 Login successful.")));
    EXPECT_EQ(ftp.ReplyCode(), 200);

    ASSERT_EQ(run(ftp, ftpLogoff), Succeeded);
    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);
    EXPECT_EQ(session.countCommands(s("USER ")), 2);
    EXPECT_EQ(session.countCommands(s("TYPE I")), 2);
    EXPECT_EQ(session.trailOf(2).count(s("Connected.")), 2);
    ASSERT_EQ(run(ftp, ftpLogoff), Succeeded);

    // A wrong password: the server's line is the error, and a right one logs on.
    ftp.setPassword(s("wrong"));
    const Outcome refused = run(ftp, ftpLogon);
    EXPECT_EQ(refused, (Outcome{TFtpClient::ReplyError, s("530 Authentication failed.")}));
    EXPECT_EQ(ftp.LastErrorCode(), TFtpClient::ReplyError);
    EXPECT_EQ(ftp.LastErrorText(), refused.text);
    EXPECT_EQ(session.server.commands().last(), s("PASS wrong"));
    ftp.setPassword(session.server.password());
    ASSERT_EQ(run(ftp, ftpLogon), Succeeded);
    EXPECT_EQ(session.server.commands().last(), s("TYPE I"));

    for (const auto& [direction, message] : session.trail) {
        EXPECT_FALSE(message.contains(u"secret") || message.contains(u"wrong")) << message.toStdString();
        EXPECT_TRUE(direction >= 0 && direction <= 2);
    }
}

TEST(FtpClientServerLogon, APasvAddressOtherThanTheServersIsNotDialled)
{
    Session session(true, {s("--masquerade"), s("127.0.0.2")});
    ASSERT_TRUE(session.server.started());
    const QByteArray bytes = randomBytes(150000, 13);
    session.ftp.setTransferMode(tmBinary);

    ASSERT_EQ(session.upload(session.localFile(s("app.zip"), bytes), s("app.zip")), Succeeded);
    EXPECT_EQ(readAll(session.server.filePath(s("app.zip"))), bytes);
    bool announced = false;
    for (const QString& line : session.trailOf(1))
        announced = announced || (line.startsWith(u"227 ") && line.contains(u"(127,0,0,2,"));
    EXPECT_TRUE(announced);
    // The server listens for data on 127.0.0.1 only: the one connection came there.
    const QStringList data = session.server.dataConnections();
    ASSERT_EQ(data.size(), 1);
    EXPECT_TRUE(data[0].startsWith(u"127.0.0.1:")) << data[0].toStdString();
}

TEST(FtpClientServerLogon, ARefusedConnectionIsReportedAndRaised)
{
    TFtpClient ftp;
    ftp.setRemoteHost(s("127.0.0.1"));
    ftp.setRemotePort(unusedPort());
    ftp.setUser(s("zentrel"));
    ftp.setPassword(s("secret"));
    ftp.setTimeOut(20);
    QList<Outcome> reported;
    QStringList trail;
    ftp.OnError = [&](TFtpClient&, int code, const QString& text) { reported.append({code, text}); };
    ftp.OnFirePITrail = [&](TFtpClient&, int, const QString& message) { trail << message; };

    const Outcome expected{TFtpClient::ConnectError, s("Failed to connect: [10061] Connection refused.")};
    EXPECT_EQ(run(ftp, ftpLogon), expected);
    EXPECT_EQ(reported, QList<Outcome>{expected});
    EXPECT_TRUE(trail.contains(s("Connecting to FTP server.")));
    EXPECT_FALSE(trail.contains(s("Connected.")));

    // An upload logs on by itself and fails the same way.
    reported.clear();
    QTemporaryDir dir;
    const QString path = dir.filePath(s("app.zip"));
    ASSERT_TRUE(writeAll(path, "zip"));
    ftp.setLocalFile(path);
    ftp.setRemoteFile(s("app.zip"));
    EXPECT_EQ(run(ftp, ftpUpload), expected);
    EXPECT_EQ(reported, QList<Outcome>{expected});
}
