#include "RunFixture.h"

#include "engines/TEngBuild.h"
#include "net/TlsSupport.h"
#include "net/ZipEntries.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

using Outcome = SubmissionRun::Outcome;

// What `unzip -t` says of an archive: true when every entry tests fine.
bool unzipTests(const QString& path)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-t"), QStringLiteral("-q"), path});
    return unzip.waitForFinished(30000) && unzip.exitStatus() == QProcess::NormalExit && unzip.exitCode() == 0;
}

int countOf(const QStringList& lines, const QString& start)
{
    int n = 0;
    for (const QString& line : lines)
        if (line.startsWith(start))
            ++n;
    return n;
}

// Bytes no text conversion may touch: line ends of both kinds, a NUL, high bytes.
const QByteArray Program = QByteArray("MZ\r\n\0\x01\xff program\n body\r\n", 24).repeated(300);

} // namespace

class FtpPostingTest : public RunFixture {
protected:
    std::unique_ptr<FtpTestServer> ftpServer;

    // The application as a setup program; the settings with their retries and mode.
    void SetUp() override
    {
        RunFixture::SetUp();
        ws.write(s("dist/mytool-setup.exe"), Program);
        useProgram(ws.file(s("dist/mytool-setup.exe")));
    }
    void useProgram(const QString& path)
    {
        ws.write(s("data/My Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\n8CHAR=MYTOOL12\r\nVERSION=2.1\r\n"
                                        "FILENAME=mytool-setup.exe\r\nPLATFORM=Windows 95\r\nDSTATUS=Author\r\n"
                                        "STATUS=Shareware\r\nPATH="
                                            + path.toLocal8Bit() + "\r\n");
    }
    void ftpSettings(int retries, bool passive, const QByteArray& more = {})
    {
        writeSettings("SMTP=127.0.0.1:" + QByteArray::number(unusedPort())
                      + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nFTPRetries=" + QByteArray::number(retries)
                      + "\r\nFTPPassiveMode=" + (passive ? "1" : "0") + "\r\n" + more);
    }
    void startFtpServer(const QStringList& options = {})
    {
        ftpServer = std::make_unique<FtpTestServer>(options);
        ASSERT_TRUE(ftpServer->started());
        QDir().mkpath(ftpServer->filePath(s("incoming")));
    }
    // A site uploading to the test server as its user, with the keys given.
    void addFtpSite(const char* name, const QByteArray& keys, const QByteArray& script = {})
    {
        const QByteArray all = "USE_FTP_UPLOAD=1\r\nFTP_SERVER=" + ftpServer->address().toLatin1()
                               + "\r\nLOGIN_NAME=" + ftpServer->user().toLatin1()
                               + "\r\nLOGIN_PASSWORD=" + ftpServer->password().toLatin1() + "\r\n" + keys;
        // A site added again only gets its new keys (a new server's port).
        if (m_added.contains(s(name)))
            ws.write(s("sites/") + s(name) + s(".ini"), "[SETTINGS]\r\n" + all);
        else
            addSite(name, all);
        m_added << s(name);
        if (!script.isEmpty())
            ws.write(s("sites/") + s(name) + s(" FTP_NEW.scp"), script);
    }
    // The ftp transfer list as the site's report page keeps it.
    QByteArray ftpPage(const char* site) const { return runFile(s(site) + s(" _FTP.htm")); }
    QByteArray uploaded(const char* name) const
    {
        QFile f(ftpServer->filePath(s(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int commandCount(const QString& start) const { return countOf(ftpServer->commands(), start); }
    // The site list holding only these rows, each new and to be posted or not.
    void siteRows(std::initializer_list<std::pair<const char*, bool>> rows) const
    {
        QByteArray file;
        for (const auto& [site, post] : rows)
            file += line({site, "New", "N/A", "N/A", "Unknown", post ? "Y" : "N"});
        ws.write(s("data/My Tool_SITES.dat"), file);
    }

private:
    QSet<QString> m_added;
};

TEST_F(FtpPostingTest, APlainSiteGetsTheProgramAndTheAddedTextBesideItInBothModes)
{
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        startFtpServer();
        ftpSettings(0, passive);
        addFtpSite("Plain", "REMOTE_PATH=\\incoming/\r\nUSE_8X3_FILENAME=1\r\nFTP_FILENAME=%8PLUS3%.txt\r\n"
                            "ADD_FILE_TO_ZIP=1\r\n",
                   "About %APPNAME%\r\nVersion %APPVERSION%\r\n");
        siteRows({{"Plain", true}});
        start();
        ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

        EXPECT_EQ(uploaded("incoming/MYTOOL12.exe"), Program) << "binary bytes arrive untouched";
        EXPECT_EQ(uploaded("incoming/MYTOOL12.txt"), QByteArray("About My Tool\nVersion 2.1\n"))
            << "the added text goes in text mode";
        const QStringList commands = ftpServer->commands();
        const qsizetype binary = commands.indexOf(s("TYPE I"));
        const qsizetype text = commands.indexOf(s("TYPE A"));
        ASSERT_GE(binary, 0);
        ASSERT_GT(text, binary);
        EXPECT_EQ(commands.indexOf(s("STOR incoming/MYTOOL12.exe")) > binary, true);
        EXPECT_EQ(commands.indexOf(s("STOR incoming/MYTOOL12.txt")) > text, true);
        EXPECT_EQ(commandCount(s(passive ? "PASV" : "PORT")), 2);

        EXPECT_TRUE(logged(s("Uploaded incoming/MYTOOL12.exe to Plain")));
        EXPECT_TRUE(logged(s("Uploaded MYTOOL12.txt to Plain")));
        EXPECT_EQ(row("Plain").submit, s("Update"));
        const QByteArray page = ftpPage("Plain");
        for (const char* line : {"INFO: Connecting to FTP server.", "INFO: Connected.", "CLIENT: PASS ********",
                                 "Sending File -&gt; incoming/MYTOOL12.exe", "TRANSFER BEGIN.", "TRANSFER END.",
                                 "Sending File -&gt; incoming/MYTOOL12.txt"})
            EXPECT_TRUE(page.contains(line)) << line << "\n" << page.constData();
        EXPECT_FALSE(page.contains(ftpServer->password().toLatin1())) << "no password in a report";
        EXPECT_EQ(ws.read(s("files/MYTOOL12.txt")), QByteArray("About My Tool\r\nVersion 2.1\r\n"));
        EXPECT_FALSE(ws.exists(s("files/FTP_Parse_Temp.tmp")));
        ftpServer.reset();
    }
}

TEST_F(FtpPostingTest, ZipSitesGetAFreshArchiveWithTheAddedTextWhereTheSiteWantsIt)
{
    startFtpServer();
    ftpSettings(0, true);
    // Left by an earlier run: an archive holding a note that must not travel again.
    ws.write(s("old/old.txt"), "stale");
    {
        QProcess zip;
        zip.start(s("zip"), {s("-q"), s("-j"), ws.file(s("files/mytool-setup.zip")), ws.file(s("old/old.txt"))});
        ASSERT_TRUE(zip.waitForFinished(30000));
    }
    addFtpSite("Inside", "USE_ZIP_FILE=1\r\nREMOTE_PATH=incoming/\r\nFTP_FILENAME=readme.txt\r\nINCLUDE_IN_ZIP=1\r\n",
               "About %APPNAME%\r\n");
    addFtpSite("Both", "USE_ZIP_FILE=1\r\nUSE_8X3_FILENAME=1\r\nFTP_FILENAME=both.txt\r\nADDED_TEXT_BOTH=1\r\n",
               "Both %APPNAME%\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

    // Inside: one upload, the archive holding the program and the added text.
    const QString inside = ftpServer->filePath(s("incoming/mytool-setup.zip"));
    ASSERT_TRUE(QFile::exists(inside));
    EXPECT_TRUE(unzipTests(inside));
    EXPECT_EQ(zipEntryNames(inside), (QStringList{s("mytool-setup.exe"), s("readme.txt")}));
    EXPECT_FALSE(QFile::exists(ftpServer->filePath(s("incoming/readme.txt"))));
    EXPECT_TRUE(log().contains(s("Uploaded mytool-setup.zip to Inside")));
    const QByteArray insidePage = ftpPage("Inside");
    EXPECT_TRUE(insidePage.contains(QString(s("Zipping File: ") + ws.file(s("files/mytool-setup.zip"))).toLatin1()));
    EXPECT_TRUE(insidePage.contains(QString(s("Adding To Zip File: ") + ws.file(s("files/readme.txt"))).toLatin1()));

    // Both: the archive holds only the program; the text goes beside it in text mode.
    const QString both = ftpServer->filePath(s("MYTOOL12.zip"));
    EXPECT_TRUE(unzipTests(both));
    EXPECT_EQ(zipEntryNames(both), QStringList{s("mytool-setup.exe")});
    EXPECT_EQ(uploaded("both.txt"), QByteArray("Both My Tool\n"));
    EXPECT_EQ(commandCount(s("STOR")), 3);

    // The program inside the archive is the program, byte for byte.
    QProcess unzip;
    unzip.start(s("unzip"), {s("-p"), inside, s("mytool-setup.exe")});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    EXPECT_EQ(unzip.readAllStandardOutput(), Program);
}

TEST_F(FtpPostingTest, AProgramAlreadyZippedGoesUnchangedAndTheOneInTheFilesDirectoryStays)
{
    startFtpServer();
    ftpSettings(0, true);
    ws.write(s("dist/a.exe"), Program);
    {
        QProcess zip;
        zip.start(s("zip"), {s("-q"), s("-j"), ws.file(s("dist/tool.zip")), ws.file(s("dist/a.exe"))});
        ASSERT_TRUE(zip.waitForFinished(30000));
    }
    const QByteArray original = ws.read(s("dist/tool.zip"));
    useProgram(ws.file(s("dist/tool.zip")));
    addFtpSite("Zipper", "USE_ZIP_FILE=1\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(ws.read(s("files/tool.zip")), original) << "copied, not zipped again";
    EXPECT_EQ(uploaded("tool.zip"), original);
    EXPECT_TRUE(ftpPage("Zipper").contains(QString(s("Prepairing Zip File: ") + ws.file(s("files/tool.zip"))).toLatin1()));

    // The archive kept in the files directory itself is sent as it is, and kept.
    useProgram(archive());
    const QByteArray kept = ws.read(s("files/mytool.zip"));
    siteRows({{"Zipper", true}});
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(ws.read(s("files/mytool.zip")), kept);
    EXPECT_EQ(uploaded("mytool.zip"), kept);
}

TEST_F(FtpPostingTest, FailuresAreRetriedAsTheSettingsSayAndEachAttemptLogsOnAgain)
{
    // The added text is refused: the whole post fails, and every retry sends the archive again.
    startFtpServer({s("--refuse"), s("notes.txt")});
    ftpSettings(3, true);
    addFtpSite("Refusing", "FTP_FILENAME=notes.txt\r\nADD_FILE_TO_ZIP=1\r\n", "About %APPNAME%\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(commandCount(s("USER ")), 4) << "one logon per attempt";
    EXPECT_EQ(commandCount(s("STOR mytool-setup.exe")), 4);
    EXPECT_EQ(row("Refusing").submit, s("New")) << "a failed site keeps its row";
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
    const QByteArray page = ftpPage("Refusing");
    EXPECT_TRUE(page.contains("EXCEPTION: 550")) << page.constData();
    EXPECT_TRUE(page.contains("ERROR SENDING FILE -&gt; notes.txt"));
    EXPECT_TRUE(logged(s("Refusing -> FTP error: ") + s("550 Not allowed to store notes.txt.")))
        << log().join(u'\n').toStdString();

    // A refused password: the logon fails, once with no retries.
    ftpSettings(0, true);
    addSite("Wrong", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=" + ftpServer->address().toLatin1()
                         + "\r\nLOGIN_NAME=zentrel\r\nLOGIN_PASSWORD=nope\r\n");
    siteRows({{"Refusing", false}, {"Wrong", true}});
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    const QByteArray wrong = ftpPage("Wrong");
    EXPECT_TRUE(wrong.contains("[Unable To Connect.]"));
    EXPECT_TRUE(wrong.contains("SERVER: 530")) << wrong.constData();
    EXPECT_EQ(commandCount(s("USER ")), 5) << "no retries: one more logon";

    // A server that turns the client away at once is reported with its own words.
    QTcpServer busy;
    ASSERT_TRUE(busy.listen(QHostAddress::LocalHost));
    QObject::connect(&busy, &QTcpServer::newConnection, [&busy] {
        QTcpSocket* socket = busy.nextPendingConnection();
        socket->write("421 Too many users, try later.\r\n");
        socket->disconnectFromHost();
    });
    addSite("Busy", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=127.0.0.1:" + QByteArray::number(busy.serverPort()) + "\r\n");
    siteRows({{"Busy", true}, {"Refusing", false}, {"Wrong", false}});
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(model->ftpPosting().lastError(), s("421 Too many users, try later."));
    EXPECT_TRUE(ftpPage("Busy").contains("[Unable To Connect.]"));
}

TEST_F(FtpPostingTest, AnUnreachableServerIsSaidOnTheSitePageForEveryAttempt)
{
    ftpSettings(1, false);
    addSite("Gone", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=127.0.0.1:" + QByteArray::number(unusedPort()) + "\r\n");
    addSite("Bad Port", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=127.0.0.1:http\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    const QByteArray page = ftpPage("Gone");
    EXPECT_EQ(page.count("[Unable To Connect.]"), 2) << page.constData();
    EXPECT_TRUE(page.contains("Connection refused")) << page.constData();
    EXPECT_TRUE(ftpPage("Bad Port").contains("[Unable To Connect.]"));
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 2));
}

TEST_F(FtpPostingTest, AnAddedTextNameLeavingTheFilesDirectoryWritesNothing)
{
    startFtpServer();
    ftpSettings(0, true);
    addFtpSite("Escaping", "FTP_FILENAME=../escape.txt\r\nADD_FILE_TO_ZIP=1\r\n", "About %APPNAME%\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_FALSE(ws.exists(s("escape.txt")));
    EXPECT_EQ(uploaded("mytool-setup.exe"), Program) << "the program still goes";
    EXPECT_EQ(commandCount(s("STOR")), 1);
    EXPECT_TRUE(ftpPage("Escaping").contains("Added text file not sent: The name &quot;../escape.txt&quot; cannot be used"))
        << ftpPage("Escaping").constData();
    EXPECT_EQ(row("Escaping").submit, s("Update"));
}

TEST_F(FtpPostingTest, SkipDuringAnUploadFailsTheSiteWithoutFurtherAttempts)
{
    startFtpServer();
    ftpSettings(3, true);
    // Large enough that the upload is still going when the skip is heard.
    ws.write(s("dist/mytool-setup.exe"), Program.repeated(400));
    addFtpSite("Skipped", "");
    start();
    bool pressed = false;
    QObject::connect(&model->displays(), &SubmitDisplays::ftpLineAdded, [&](int) {
        if (!pressed && model->displays().ftpLines().last() == s("TRANSFER BEGIN.")) {
            pressed = true;
            run().skipClick();
        }
    });
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(commandCount(s("USER ")), 1) << "no attempt after Skip";
    EXPECT_TRUE(logged(s("SKIPPED -> Skipped")));
    EXPECT_EQ(row("Skipped").submit, s("New"));
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
}

TEST_F(FtpPostingTest, AKeptArchiveGetsNoSitesTextAndNoNameMayReplaceTheProgram)
{
    startFtpServer();
    ftpSettings(0, true);
    // The program is an archive the user keeps in the files directory.
    ws.write(s("dist/a.exe"), Program);
    {
        QProcess zip;
        zip.start(s("zip"), {s("-q"), s("-j"), ws.file(s("files/kept.zip")), ws.file(s("dist/a.exe"))});
        ASSERT_TRUE(zip.waitForFinished(30000));
    }
    const QByteArray kept = ws.read(s("files/kept.zip"));
    useProgram(ws.file(s("files/kept.zip")));
    addFtpSite("First", "USE_ZIP_FILE=1\r\nREMOTE_PATH=incoming/\r\nFTP_FILENAME=first.txt\r\nINCLUDE_IN_ZIP=1\r\n",
               "For the first\r\n");
    addFtpSite("Second", "USE_ZIP_FILE=1\r\nFTP_FILENAME=second.txt\r\nINCLUDE_IN_ZIP=1\r\n", "For the second\r\n");
    // A text named as the program itself would overwrite it: it is refused.
    addFtpSite("Clash", "FTP_FILENAME=kept.zip\r\nADD_FILE_TO_ZIP=1\r\n", "Not an archive\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(ws.read(s("files/kept.zip")), kept) << "the user's archive is as it was";
    EXPECT_EQ(zipEntryNames(ftpServer->filePath(s("incoming/kept.zip"))), (QStringList{s("a.exe"), s("first.txt")}));
    EXPECT_EQ(zipEntryNames(ftpServer->filePath(s("kept.zip"))), (QStringList{s("a.exe"), s("second.txt")}))
        << "one site's text does not travel to the next";
    EXPECT_TRUE(unzipTests(ftpServer->filePath(s("kept.zip"))));
    EXPECT_EQ(reportedCounts(), std::make_pair(3, 0));
    EXPECT_TRUE(ftpPage("Clash").contains("Added text file not sent: its name"));
    EXPECT_EQ(commandCount(s("STOR")), 3) << "the clashing text is not sent";
}

TEST_F(FtpPostingTest, AZipFaultIsSaidOnTheSitePageAndNothingOldIsSent)
{
    startFtpServer();
    ftpSettings(1, true);
    // Something that is no file stands where the archive is made.
    ws.write(s("files/mytool-setup.zip/inside"), "x");
    addFtpSite("Zipper", "USE_ZIP_FILE=1\r\n");
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);
    const QByteArray page = ftpPage("Zipper");
    EXPECT_EQ(page.count(QByteArray("ERROR ZIPPING FILE -&gt; ").append(ws.file(s("files/mytool-setup.zip")).toLatin1())), 2)
        << page.constData();
    EXPECT_EQ(commandCount(s("STOR")), 0);
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
}

TEST_F(FtpPostingTest, CancelDuringAnUploadEndsTheRunAfterThatSite)
{
    startFtpServer();
    ftpSettings(3, false);
    ws.write(s("dist/mytool-setup.exe"), Program.repeated(400));
    addFtpSite("Cancelled", "");
    addFtpSite("Later", "");
    start();
    prompts.confirmAnswers = {true};
    bool pressed = false;
    QObject::connect(&model->displays(), &SubmitDisplays::ftpLineAdded, [&](int) {
        if (!pressed && model->displays().ftpLines().last() == s("TRANSFER BEGIN.")) {
            pressed = true;
            run().cancelClick();
        }
    });
    EXPECT_EQ(run().submitBtnClick(), Outcome::Cancelled);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(commandCount(s("USER ")), 1) << "no retry and no later site";
    EXPECT_EQ(row("Cancelled").submit, s("New"));
    EXPECT_EQ(row("Later").submit, s("New"));
}

TEST_F(FtpPostingTest, AnEncryptedSiteGetsItsArchiveAndAFailedCertificateFailsOnlyItsSite)
{
    ASSERT_TRUE(TestCertificates::get().made());
    const TestCertificates& certs = TestCertificates::get();
    const auto tlsServer = [&certs](const char* kind) {
        return QStringList{s("--tls"), certs.path(s(kind) + s(".pem")), certs.path(s(kind) + s(".key")),
                           s("--tls-required")};
    };
    Tls::setExtraCaFile(certs.ca());
    struct ResetCa {
        ~ResetCa() { Tls::setExtraCaFile(QString()); }
    } resetCa;

    startFtpServer(tlsServer("server"));
    FtpTestServer expired(tlsServer("expired"));
    ASSERT_TRUE(expired.started());
    ftpSettings(1, true, "TLSExtraCA=" + certs.ca().toLocal8Bit() + "\r\n");
    addSite("Forged", "USE_FTP_UPLOAD=1\r\nFTP_TLS=2\r\nFTP_SERVER=" + expired.address().toLatin1()
                          + "\r\nLOGIN_NAME=zentrel\r\nLOGIN_PASSWORD=secret\r\n");
    addFtpSite("Secure", "FTP_TLS=2\r\nUSE_ZIP_FILE=1\r\nREMOTE_PATH=incoming/\r\n");
    siteRows({{"Forged", true}, {"Secure", true}});
    start();
    ASSERT_EQ(run().submitBtnClick(), Outcome::Completed);

    // The failed check ends each attempt before the name is sent; the run goes on.
    EXPECT_EQ(expired.commands(), (QStringList{s("AUTH TLS"), s("AUTH TLS")}));
    const QString reason = s("TLS: certificate has expired (127.0.0.1)");
    EXPECT_TRUE(ftpPage("Forged").contains(reason.toLatin1())) << ftpPage("Forged").constData();
    EXPECT_TRUE(logged(s("Forged -> FTP error: ") + reason)) << log().join(u'\n').toStdString();

    const QString archive = ftpServer->filePath(s("incoming/mytool-setup.zip"));
    ASSERT_TRUE(QFile::exists(archive));
    EXPECT_TRUE(unzipTests(archive));
    EXPECT_EQ(zipEntryNames(archive), QStringList{s("mytool-setup.exe")});
    EXPECT_TRUE(ftpServer->commands().contains(s("PROT P")));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 1));
    const QByteArray page = ftpPage("Secure");
    EXPECT_TRUE(page.contains("CLIENT: AUTH TLS")) << page.constData();
    EXPECT_TRUE(page.contains("CLIENT: PASS ********"));
    EXPECT_FALSE(page.contains("secret"));
}
