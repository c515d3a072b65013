#include "records/ProgramSettings.h"
#include "records/ZentrelError.h"
#include "services/DataUpdate.h"

#include "../net/TestServers.h"
#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

using Entries = QList<std::pair<QString, QByteArray>>;

// Writes a zip archive with Python's zipfile, every entry named exactly as given.
bool makeZip(const QString& path, const Entries& entries, bool stored = false)
{
    QJsonArray list;
    for (const auto& [name, bytes] : entries)
        list.append(QJsonArray{name, QString::fromLatin1(bytes.toBase64())});
    QProcess python;
    python.start(s("/usr/bin/python3"),
                 {s("-c"), s("import base64, json, sys, zipfile\n"
                             "job = json.load(sys.stdin)\n"
                             "with zipfile.ZipFile(job['path'], 'w') as z:\n"
                             "    for name, data in job['entries']:\n"
                             "        info = zipfile.ZipInfo(name, (2024, 5, 1, 12, 0, 0))\n"
                             "        info.compress_type = zipfile.ZIP_STORED if job['stored'] else zipfile.ZIP_DEFLATED\n"
                             "        z.writestr(info, base64.b64decode(data))\n")});
    python.write(QJsonDocument(QJsonObject{{s("path"), path}, {s("entries"), list}, {s("stored"), stored}}).toJson());
    python.closeWriteChannel();
    return python.waitForFinished(30000) && python.exitCode() == 0 && QFile::exists(path);
}

// The update's own archive: the catalogue in another letter case, two definitions, one category list.
Entries fullArchive()
{
    return {{s("SITES.DAT"), "Alpha\r\nBeta\r\nGamma\r\n"},
            {s("Alpha.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n"},
            {s("Beta.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\n"},
            {s("User_Sites.dat"), "Maker's\r\n"},
            {s("Alpha Cat1.cat"), "1\">Games\r\n"},
            {s("docs/readme.txt"), "Only files of the archive's top level are data files.\r\n"}};
}

// Every file and folder under sites/ and cat/, hidden ones too, with its bytes.
QMap<QString, QByteArray> snapshot(const TestWorkspace& ws)
{
    QMap<QString, QByteArray> files;
    for (const QString& folder : {s("sites"), s("cat")}) {
        QDirIterator it(ws.file(folder), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path.mid(ws.path().size()), it.fileInfo().isDir() ? QByteArray("<folder>") : ws.read(path.mid(ws.path().size())));
        }
    }
    return files;
}

// A workspace with an earlier catalogue, one definition, one category list and the user's own sites.
struct Update {
    TestWorkspace ws;
    FakePrompts prompts;
    ProgramSettings settings;
    QStringList statuses;
    std::unique_ptr<DataUpdate> update;

    explicit Update(const QString& url, const QByteArray& proxySettings = {})
    {
        ws.write(s("sites/Sites.dat"), "Alpha\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
        ws.write(s("sites/User_Sites.dat"), "Mine\r\n");
        ws.write(s("cat/Alpha Cat1.cat"), "0\">Old\r\n");
        ws.makeDir(s("sites/updates"));
        ws.write(s("settings.dat"), "[SETTINGS]\r\nUpdateURL=" + url.toLatin1() + "\r\nHTTPTimeOut=10\r\n" + proxySettings);
        settings.load(ws.file(s("settings.dat")));
        update = std::make_unique<DataUpdate>(prompts, settings,
                                              DataUpdate::Folders{ws.file(s("sites/updates/")), ws.file(s("sites/")), ws.file(s("cat/"))});
        QObject::connect(update.get(), &DataUpdate::statusChanged, [this](const QString& status) { statuses << status; });
    }
    bool updatesEmpty() const { return QDir(ws.file(s("sites/updates"))).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System); }
    void run()
    {
        update->open();
        update->start();
    }
};

} // namespace

TEST(DataUpdate, TheArchiveLandsInPlaceAndTheUpdateFolderEndsEmpty)
{
    QTemporaryDir root;
    HttpTestServer files(root.path());
    ASSERT_TRUE(files.started());
    ASSERT_TRUE(makeZip(root.filePath(s("zlsites.zip")), fullArchive()));
    Update u(files.url(s("/zlsites.zip")));
    u.run();

    EXPECT_EQ(u.prompts.messages(), QStringList{s("info: Data File Update Complete")});
    EXPECT_TRUE(u.update->updated());
    EXPECT_EQ(u.prompts.busyDepth, 0);
    EXPECT_EQ(u.ws.read(s("sites/Sites.dat")), QByteArray("Alpha\r\nBeta\r\nGamma\r\n"));
    EXPECT_FALSE(u.ws.exists(s("sites/SITES.DAT"))) << "the catalogue lands once, under its own name";
    EXPECT_EQ(u.ws.read(s("sites/Alpha.ini")), QByteArray("[SETTINGS]\r\nUSE_HTTP_POST=1\r\n"));
    EXPECT_EQ(u.ws.read(s("sites/Beta.ini")), QByteArray("[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\n"));
    EXPECT_EQ(u.ws.read(s("cat/Alpha Cat1.cat")), QByteArray("1\">Games\r\n"));
    EXPECT_FALSE(u.ws.exists(s("sites/Alpha Cat1.cat")));
    EXPECT_EQ(u.ws.read(s("sites/User_Sites.dat")), QByteArray("Mine\r\n")) << "the user's own sites stay";
    EXPECT_FALSE(u.ws.exists(s("sites/docs")));
    EXPECT_FALSE(u.ws.exists(s("sites/readme.txt"))) << "a file in a folder of the archive is no data file";
    EXPECT_TRUE(u.updatesEmpty());
    EXPECT_EQ(QDir(u.ws.file(s("sites"))).entryList(QDir::Hidden | QDir::Files).filter(s(".~")), QStringList());

    QStringList steps = u.statuses;
    steps.removeIf([](const QString& status) { return status.startsWith(u"Received "); });
    EXPECT_EQ(steps, (QStringList{s("Connecting to Halvern HQ Server"), s("Unzipping Data Files..."), s("Copy Data Files..."),
                                  s("Copying Sites.Dat..."), s("Copying Alpha.ini"), s("Copying Beta.ini"),
                                  s("Copying Alpha Cat1.cat"), s("Cleaning UpDate Directory..."), s("Deleting Archive..."),
                                  s("Data Update Complete")}));
    const QStringList& track = u.update->track();
    ASSERT_GE(track.size(), 3);
    EXPECT_TRUE(track.first().startsWith(u"Connected: "));
    EXPECT_TRUE(track.contains(u"Header: Content-Length:" + QString::number(QFile(root.filePath(s("zlsites.zip"))).size())));
    EXPECT_EQ(track.filter(s(" bytes written")).size(), 1) << "one line counts the body";
    EXPECT_EQ(u.update->percent(), 100);
    EXPECT_TRUE(files.recorded().contains("User-Agent: ZentrelWeb\r\n"));
}

TEST(DataUpdate, HostileDamagedOrUninstallableArchivesChangeNothing)
{
    QTemporaryDir root;
    QTemporaryDir outside;
    HttpTestServer server(root.path());
    ASSERT_TRUE(server.started());
    const QString archive = root.filePath(s("zlsites.zip"));
    const QString absolute = outside.filePath(s("x.ini"));
    for (const QString& hostile : {s("../x.ini"), absolute, s("..\\x.ini"), s(".~zentrel-backup-0"), s("damaged"), s("not a zip"),
                                   s("folder in the way"), s("read-only cat")}) {
        SCOPED_TRACE(hostile.toStdString());
        Update u(server.url(s("/zlsites.zip")));
        Entries entries = fullArchive();
        if (hostile == u"damaged") {
            entries.append({s("Zeta Cat1.cat"), QByteArray(4000, 'z')});
            ASSERT_TRUE(makeZip(archive, entries, true));
            QFile file(archive);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            bytes[bytes.indexOf(QByteArray(4000, 'z')) + 2000] = 'y';
            file.seek(0);
            file.write(bytes);
        } else if (hostile == u"not a zip") {
            QFile file(archive);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(5000, 'P'));
        } else {
            if (!hostile.contains(u' '))
                entries.append({hostile, "escaped\r\n"});
            ASSERT_TRUE(makeZip(archive, entries));
        }
        if (hostile == u"folder in the way") {
            // Met only when the catalogue and the definitions are in already: they go back.
            QFile::remove(u.ws.file(s("cat/Alpha Cat1.cat")));
            u.ws.makeDir(s("cat/Alpha Cat1.cat"));
        }
        if (hostile == u"read-only cat") {
            QFile::setPermissions(u.ws.file(s("cat")), QFile::ReadOwner | QFile::ExeOwner);
            QFile probe(u.ws.file(s("cat/probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(u.ws.file(s("cat")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                continue; // the permissions cannot stop this user
            }
        }
        const auto before = snapshot(u.ws);
        u.run();
        QFile::setPermissions(u.ws.file(s("cat")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(snapshot(u.ws), before);
        EXPECT_FALSE(u.update->updated());
        EXPECT_TRUE(u.updatesEmpty());
        EXPECT_FALSE(QFile::exists(absolute));
        EXPECT_FALSE(QFile::exists(u.ws.file(s("sites/x.ini"))));
        ASSERT_EQ(u.prompts.messages().size(), 1) << u.prompts.messages().join(u'\n').toStdString();
        const QString message = u.prompts.messages().first();
        if (hostile == u"folder in the way")
            EXPECT_TRUE(message.endsWith(u"it is a folder. The data files were left as they were.")) << message.toStdString();
        else if (hostile == u"read-only cat")
            // Whichever step meets the locked folder first says so.
            EXPECT_TRUE(message.startsWith(u"error: Cannot create file " + u.ws.file(s("cat/")))
                        || message.startsWith(u"error: Cannot keep a copy of " + u.ws.file(s("cat/"))))
                << message.toStdString();
        else
            EXPECT_TRUE(message.startsWith(u"error: Error Msg from archive: ")) << message.toStdString();
    }
}

TEST(DataUpdate, FiveHundredKiBCountWithAndWithoutALength)
{
    // A stored entry of this size makes an archive of exactly 500 KiB.
    QTemporaryDir root;
    const QString archive = root.filePath(s("zlsites.zip"));
    ASSERT_TRUE(makeZip(archive, {{s("pad.ini"), randomBytes(500 * 1024 - 112, 7)}}, true));
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 500 * 1024);

    HttpTestServer server(root.path());
    Update sized(server.url(s("/zlsites.zip")));
    sized.run();
    EXPECT_TRUE(sized.statuses.contains(s("Received 500K of 500K")));
    EXPECT_EQ(sized.update->percent(), 100);
    EXPECT_TRUE(sized.update->updated());

    FakeHttpServer unsized;
    unsized.setReply("HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\n" + bytes);
    Update open(unsized.url(s("/zlsites.zip")));
    open.run();
    EXPECT_TRUE(open.statuses.contains(s("Received 500K of 2097151K")));
    EXPECT_EQ(open.update->percent(), 0);
    EXPECT_TRUE(open.update->updated());
    EXPECT_EQ(open.ws.read(s("sites/pad.ini")), bytes.mid(30 + 7, 500 * 1024 - 112));
}

TEST(DataUpdate, AFailedOrCancelledDownloadChangesNothing)
{
    QTemporaryDir root;
    HttpTestServer server(root.path());
    FakeHttpServer shortBody;
    shortBody.setReply("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nPK only this");
    FakeHttpServer endless;
    endless.setReply("HTTP/1.0 200 OK\r\nContent-Length: 1000000\r\n\r\n" + QByteArray(2000, 'a'), false);
    const QStringList urls{server.url(s("/zlsites.zip")), shortBody.url(s("/zlsites.zip")),
                           u"http://127.0.0.1:" + QString::number(unusedPort()) + u"/zlsites.zip",
                           endless.url(s("/zlsites.zip"))};
    for (const QString& url : urls) {
        SCOPED_TRACE(url.toStdString());
        Update u(url);
        const bool cancel = url == urls.last();
        QObject::connect(u.update.get(), &DataUpdate::trackChanged, [&] {
            if (cancel && u.update->track().last().endsWith(u" bytes written"))
                QTimer::singleShot(0, [&] { u.update->cancel(); });
        });
        const auto before = snapshot(u.ws);
        u.run();
        EXPECT_EQ(snapshot(u.ws), before);
        EXPECT_FALSE(u.update->updated());
        EXPECT_TRUE(u.updatesEmpty());
        if (cancel) {
            EXPECT_EQ(u.prompts.messages(), QStringList()) << "the user asked for the end";
        } else {
            ASSERT_EQ(u.prompts.messages().size(), 1);
        }
        if (url == urls.first()) {
            EXPECT_EQ(u.prompts.messages().first(), s("error: 404 File not found"));
        }

        // Opening again starts from an empty update folder whatever was left there.
        u.ws.write(s("sites/updates/Leftover.ini"), "old");
        u.ws.makeDir(s("sites/updates/sub/deeper"));
        u.update->open();
        EXPECT_TRUE(u.updatesEmpty());
    }
}

TEST(DataUpdate, TheProxyCarriesTheDownloadAndABadPortRefusesToOpen)
{
    QTemporaryDir root;
    HttpTestServer server(root.path());
    ASSERT_TRUE(makeZip(root.filePath(s("zlsites.zip")), fullArchive()));
    // tinyproxy taking anyone from this machine: the download sends no proxy credentials.
    QTemporaryDir proxyDir;
    const quint16 proxyPort = unusedPort();
    QFile config(proxyDir.filePath(s("tinyproxy.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("Listen 127.0.0.1\nPort %1\nAllow 127.0.0.1\nTimeout 30\nLogLevel Error\n").arg(proxyPort).toLatin1());
    config.close();
    QProcess proxy;
    proxy.setStandardOutputFile(QProcess::nullDevice());
    proxy.start(s("tinyproxy"), {s("-d"), s("-c"), config.fileName()});
    ASSERT_TRUE(proxy.waitForStarted());
    bool listening = false;
    for (int i = 0; i < 100 && !listening; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, proxyPort);
        listening = probe.waitForConnected(500);
        if (!listening)
            proxy.waitForFinished(50);
    }
    ASSERT_TRUE(listening);

    Update u(server.url(s("/zlsites.zip")), "PROXY=127.0.0.1\r\nPORT=" + QByteArray::number(proxyPort) + "\r\n");
    u.run();
    proxy.kill();
    proxy.waitForFinished();
    EXPECT_EQ(u.update->proxyServer(), s("127.0.0.1"));
    EXPECT_TRUE(u.update->updated()) << u.prompts.messages().join(u'\n').toStdString();
    EXPECT_TRUE(server.recorded().contains("Via: ")) << "it came through the proxy";

    Update shortName(server.url(s("/zlsites.zip")), "PROXY=abc\r\nPORT=8080\r\n");
    shortName.update->open();
    EXPECT_EQ(shortName.update->proxyServer(), QString()) << "a host under 4 characters is no proxy";
    for (const char* port : {"80a", "65536", "-1", ""}) {
        Update bad(server.url(s("/zlsites.zip")), "PORT=" + QByteArray(port) + "\r\n");
        try {
            bad.update->open();
            ADD_FAILURE() << "opened with PORT=" << port;
        } catch (const ZentrelError& e) {
            EXPECT_TRUE(e.text().contains(u'"' + s(port) + u'"')) << e.text().toStdString();
        }
    }
}

TEST(DataUpdate, TheSettingsTimeOutEndsASilentDownload)
{
    FakeHttpServer silent;
    silent.setReply(QByteArray(), false);
    Update u(silent.url(s("/zlsites.zip")));
    // The workspace's settings say 10 seconds; the held value is what the download waits.
    u.settings.httpTimeOut = 1;
    const auto before = snapshot(u.ws);
    QElapsedTimer waited;
    waited.start();
    u.run();
    EXPECT_LT(waited.elapsed(), 8000) << "the download waited longer than the settings allow";
    EXPECT_EQ(u.prompts.messages(), QStringList{s("error: Operation timed out")});
    EXPECT_EQ(snapshot(u.ws), before);
    EXPECT_FALSE(u.update->updated());
}
