#include "RunFixture.h"

#include "engines/TEngBuild.h"
#include "net/ZipEntries.h"
#include "submit/FtpPlan.h"
#include "submit/MailPlan.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>

#include <functional>

// Mails and uploads worked out for a site of the fixture's workspace, as a
// dry run and the real posting see them.
class PlanTest : public RunFixture {
protected:
    using Edit = std::function<void(SiteDefinition&)>;

    void SetUp() override
    {
        RunFixture::SetUp();
        ws.write(s("dist/mytool-setup.exe"), "MZ the program");
    }

    void script(const char* site, const char* kind, const QByteArray& text) const
    {
        ws.write(s("sites/%1 %2.scp").arg(s(site), s(kind)), text);
    }
    // Makes the site current, as the run does before posting it.
    SiteListRow select(const char* site, const Edit& edit)
    {
        engine().LoadSite(s(site));
        if (edit)
            edit(engine().site());
        list().setPostingRow(rowOf(site));
        return row(site);
    }
    MailPlan mail(const char* site, bool isNew, bool isCopy, const Edit& edit = {})
    {
        const SiteListRow r = select(site, edit);
        return planMail(engine(), model->application(), model->company(), r, isNew, isCopy,
                        model->workspace().FilesDir());
    }
    FtpPlan upload(const char* site, const Edit& edit = {})
    {
        select(site, edit);
        return planFtp(engine(), model->application(), model->workspace().FilesDir());
    }
    void setUpdate(const char* site)
    {
        list().setCurrentRow(rowOf(site));
        list().setSubmitNew(false);
    }
    // The application as a setup program outside the files directory.
    void useSetupProgram()
    {
        ApplicationRecord& app = model->application();
        app.setField(AppField::Char8, s("MYTOOL12"));
        app.setField(AppField::FileName, s("mytool-setup.exe"));
        app.setField(AppField::Path, ws.file(s("dist/mytool-setup.exe")));
    }
    // A real archive made by the zip program, entries stored without folders.
    void makeZip(const QString& relative, const QStringList& members) const
    {
        QStringList args{s("-j"), s("-q"), ws.file(relative)};
        for (const QString& m : members)
            args << ws.file(m);
        ASSERT_EQ(QProcess::execute(s("zip"), args), 0);
    }
    qint64 sizeOf(const char* relative) const { return QFileInfo(ws.file(s(relative))).size(); }
    // Every file of the workspace with a digest of its bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(ws.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, QCryptographicHash::hash(ws.read(path.mid(ws.path().size())), QCryptographicHash::Md5));
        }
        return files;
    }
};

TEST_F(PlanTest, TheRecipientAndSubjectFollowTheKindOfPost)
{
    addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=new@site.test\r\nEMAIL_SUBJECT=%APPNAME% %APPVERSION%\r\n");
    script("Mail Site", "EMAIL_NEW", "x\r\n");
    script("Mail Site", "EMAIL_UPDATE", "y\r\n");
    start();
    model->company().setField(CompanyField::Email, s("boss@acme.test"));

    MailPlan plan = mail("Mail Site", true, false);
    EXPECT_EQ(plan.recipient, s("new@site.test"));
    EXPECT_EQ(plan.subject, s("My Tool 2.1"));

    // An update without its own address and subject uses the new ones, expanded.
    setUpdate("Mail Site");
    plan = mail("Mail Site", false, false);
    EXPECT_EQ(plan.recipient, s("new@site.test"));
    EXPECT_EQ(plan.subject, s("My Tool 2.1"));
    plan = mail("Mail Site", false, false, [](SiteDefinition& d) {
        d.emailToNameUpdate = QStringLiteral("update@site.test");
        d.emailSubjectUpdate = QStringLiteral("Update to %APPVERSION%");
    });
    EXPECT_EQ(plan.recipient, s("update@site.test"));
    EXPECT_EQ(plan.subject, s("Update to 2.1"));

    plan = mail("Mail Site", true, false, [](SiteDefinition& d) { d.emailSubject = QStringLiteral("   "); });
    EXPECT_EQ(plan.subject, s("Submission"));
    plan = mail("Mail Site", true, false, [](SiteDefinition& d) { d.emailSubject = QStringLiteral(" %NOPE% now"); });
    EXPECT_EQ(plan.subject, s(" %NOPE% now")) << "a subject that does not expand goes as written";
    // A failed update subject goes as written too, not as the subject of a new listing.
    plan = mail("Mail Site", false, false, [](SiteDefinition& d) { d.emailSubjectUpdate = QStringLiteral("%NOPE%"); });
    EXPECT_EQ(plan.subject, s("%NOPE%"));
    plan = mail("Mail Site", true, false, [](SiteDefinition& d) { d.emailSubject = QString(300, u'a'); });
    EXPECT_EQ(plan.subject.size(), 255);

    // The copy goes to the company contact, the site named in its subject.
    plan = mail("Mail Site", true, true);
    EXPECT_TRUE(plan.ok);
    EXPECT_EQ(plan.recipient, s("boss@acme.test"));
    EXPECT_EQ(plan.subject, s("My Tool 2.1 (Mail Site)"));
}

TEST_F(PlanTest, TheBodyAndAttachmentsOfTheSitesMailAndOfTheCopy)
{
    addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=a@site.test\r\nEMAIL_ATTACH_APPLICATION=1\r\nEMAIL_ATTACH_GIF=1\r\n"
                         "EMAIL_ATTACH_ICO=1\r\nEMAIL_ATTACH_SCREEN=1\r\n");
    script("Mail Site", "EMAIL_NEW", "Name: %APPNAME%\r\nVersion: %APPVERSION%\r\n");
    script("Mail Site", "EMAIL_UPDATE", "Updated %APPNAME%\r\n");
    start();
    // No GIF path: nothing is attached for it. A screen shot named but missing shows no size.
    model->application().setField(AppField::ScreenPath, ws.file(s("files/shot.png")));

    const MailPlan site = mail("Mail Site", true, false);
    ASSERT_TRUE(site.ok);
    EXPECT_EQ(site.body, (QStringList{s("Name: My Tool"), s("Version: 2.1"), QString(), QString(), QString(), QString()}
                          + mailFooter()));
    EXPECT_EQ(mailFooter().last(), s("for shareware sites, please visit https://www.halvernhq.com/"));
    ASSERT_EQ(site.attachments.size(), 3);
    EXPECT_EQ(site.attachments[0].path, archive());
    EXPECT_EQ(site.attachments[0].size, 22);
    EXPECT_EQ(site.attachments[1].path, ws.file(s("files/tool.ico")));
    EXPECT_EQ(site.attachments[1].size, 4);
    EXPECT_EQ(site.attachments[2].size, -1);
    EXPECT_TRUE(site.scriptFile.isEmpty());

    // The copy: no footer, no program archive, the other attachments all there.
    const MailPlan copy = mail("Mail Site", true, true);
    EXPECT_EQ(copy.body, (QStringList{s("Name: My Tool"), s("Version: 2.1")}));
    ASSERT_EQ(copy.attachments.size(), 2);
    EXPECT_EQ(copy.attachments[0].path, ws.file(s("files/tool.ico")));

    // The body follows the row's kind.
    setUpdate("Mail Site");
    EXPECT_EQ(mail("Mail Site", false, false).body.first(), s("Updated My Tool"));
}

TEST_F(PlanTest, AScriptWithTheMarkGoesAsAnAttachedFileAndNothingIsWritten)
{
    addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=a@site.test\r\nEMAIL_ATTACH_SCRIPT=1\r\nEMAIL_ATTACH_APPLICATION=1\r\n");
    script("Mail Site", "EMAIL_NEW", "Name\xBA%APPNAME%\r\nEnd\r\n");
    start();
    // A file left by an earlier run is never what goes out.
    ws.write(s("files/zkscript.tmp"), "stale");
    const auto before = snapshot();

    MailPlan plan = mail("Mail Site", true, false);
    ASSERT_TRUE(plan.ok);
    EXPECT_TRUE(plan.body.isEmpty()) << "the footer goes too";
    EXPECT_EQ(plan.scriptFile, (QStringList{QStringLiteral("Name\u00BAMy Tool"), s("End")}));
    ASSERT_EQ(plan.attachments.size(), 2);
    EXPECT_EQ(plan.attachments[0].path, ws.file(s("files/zkscript.tmp")));
    EXPECT_EQ(plan.attachments[0].size, QByteArray("Name\xBAMy Tool\r\nEnd\r\n").size());
    EXPECT_EQ(plan.attachments[1].path, archive());
    EXPECT_EQ(snapshot(), before);

    script("Mail Site", "EMAIL_NEW", "Name %APPNAME%\r\n");
    plan = mail("Mail Site", true, false);
    EXPECT_EQ(plan.body.size(), 1 + 4 + 3);
    EXPECT_TRUE(plan.scriptFile.isEmpty());
    ASSERT_EQ(plan.attachments.size(), 1);
    EXPECT_EQ(plan.attachments[0].path, archive());
}

TEST_F(PlanTest, AMailWithoutAUsableScriptIsRefusedWithTheRunsTexts)
{
    addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=a@site.test\r\n");
    start();
    MailPlan plan = mail("Mail Site", true, false, [](SiteDefinition& d) {
        d.scripts[size_t(SiteScript::EmailNew)] = {QStringLiteral("   ")};
    });
    EXPECT_FALSE(plan.ok);
    EXPECT_EQ(plan.runLog, (QStringList{s("No Engine Script For EMAIL Post For: Mail Site"),
                                        s("Unable to post EMAIL to: Mail Site"), s("Mail Site EMail ERROR!!!")}));
    EXPECT_TRUE(plan.siteLog.isEmpty());

    plan = mail("Mail Site", true, false, [](SiteDefinition& d) {
        d.scripts[size_t(SiteScript::EmailNew)] = {QStringLiteral("Name %APPNAME")};
    });
    EXPECT_FALSE(plan.ok);
    EXPECT_EQ(plan.runLog, QStringList{s("Unable to post Email to: Mail Site")});
    EXPECT_EQ(plan.siteLog, QStringList{s("SCRIPT ERROR FOR Mail Site")});
    EXPECT_TRUE(plan.body.isEmpty());
    EXPECT_TRUE(plan.attachments.isEmpty());
}

TEST_F(PlanTest, APlainUploadSendsTheProgramUnderItsRemoteName)
{
    addSite("Plain", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=ftp.site.test\r\nLOGIN_NAME=%8PLUS3%\r\nLOGIN_PASSWORD=secret\r\n"
                     "REMOTE_PATH=\\incoming/\r\nUSE_8X3_FILENAME=1\r\nFTP_FILENAME=%8PLUS3%.txt\r\nADD_FILE_TO_ZIP=1\r\n");
    start();
    useSetupProgram();
    const QString program = ws.file(s("dist/mytool-setup.exe"));

    FtpPlan plan = upload("Plain");
    ASSERT_TRUE(plan.ok) << plan.problem.toStdString();
    EXPECT_EQ(plan.server, s("ftp.site.test"));
    EXPECT_EQ(plan.user, s("MYTOOL12"));
    EXPECT_EQ(plan.remotePath, s("incoming/"));
    EXPECT_FALSE(plan.zip);
    EXPECT_TRUE(plan.addedTextOk) << "no script: nothing to prepare";
    ASSERT_EQ(plan.uploads.size(), 1);
    EXPECT_EQ(plan.uploads[0].localFile, program);
    EXPECT_EQ(plan.uploads[0].remoteFile, s("incoming/MYTOOL12.exe"));
    EXPECT_TRUE(plan.uploads[0].binary);
    EXPECT_EQ(plan.uploads[0].size, sizeOf("dist/mytool-setup.exe"));

    // With the script the added text follows beside the program, in text mode.
    script("Plain", "FTP_NEW", "About %APPNAME%\r\n");
    plan = upload("Plain", [](SiteDefinition& d) {
        d.use8x3Filename = false;
        d.loginName = QStringLiteral("%NOPE%");
    });
    EXPECT_EQ(plan.user, s("%NOPE%"));
    EXPECT_EQ(plan.addedText, QStringList{s("About My Tool")});
    ASSERT_EQ(plan.uploads.size(), 2);
    EXPECT_EQ(plan.uploads[0].remoteFile, s("incoming/mytool-setup.exe"));
    EXPECT_EQ(plan.uploads[1].localFile, ws.file(s("files/MYTOOL12.txt")));
    EXPECT_EQ(plan.uploads[1].remoteFile, s("incoming/MYTOOL12.txt"));
    EXPECT_FALSE(plan.uploads[1].binary);
    EXPECT_EQ(plan.uploads[1].size, QByteArray("About My Tool\r\n").size());
}

TEST_F(PlanTest, AZipSiteMakesItsArchiveAfreshAndPlacesTheAddedText)
{
    addSite("Zipper", "USE_FTP_UPLOAD=1\r\nUSE_ZIP_FILE=1\r\nFTP_SERVER=ftp.site.test\r\nREMOTE_PATH=up/\r\n"
                      "USE_8X3_FILENAME=1\r\nFTP_FILENAME=readme.txt\r\nINCLUDE_IN_ZIP=1\r\n");
    script("Zipper", "FTP_NEW", "Hello from %APPNAME%\r\n");
    start();
    useSetupProgram();
    // Left by an earlier run: an older program and a note.
    ws.write(s("old/mytool-setup.exe"), "MZ older");
    ws.write(s("old/old.txt"), "note");
    makeZip(s("files/MYTOOL12.zip"), {s("old/old.txt"), s("old/mytool-setup.exe")});
    const auto before = snapshot();

    FtpPlan plan = upload("Zipper");
    ASSERT_TRUE(plan.ok) << plan.problem.toStdString();
    EXPECT_TRUE(plan.zip);
    EXPECT_EQ(plan.archiveName, s("MYTOOL12.zip"));
    EXPECT_EQ(plan.archiveEntries, (QStringList{s("mytool-setup.exe"), s("readme.txt")}))
        << "what an earlier archive held does not travel again";
    ASSERT_EQ(plan.uploads.size(), 1) << "the added text travels inside";
    EXPECT_EQ(plan.uploads[0].localFile, ws.file(s("files/MYTOOL12.zip")));
    EXPECT_EQ(plan.uploads[0].remoteFile, s("up/MYTOOL12.zip"));
    EXPECT_TRUE(plan.uploads[0].binary);
    EXPECT_EQ(snapshot(), before) << "nothing zipped, nothing written";

    for (const AddedTextPlacement placement : {AddedTextPlacement::Separate, AddedTextPlacement::Both}) {
        plan = upload("Zipper", [&](SiteDefinition& d) { d.addedText = placement; });
        EXPECT_EQ(plan.archiveEntries, QStringList{s("mytool-setup.exe")});
        ASSERT_EQ(plan.uploads.size(), 2);
        EXPECT_EQ(plan.uploads[1].remoteFile, s("up/readme.txt"));
        EXPECT_FALSE(plan.uploads[1].binary);
    }

    // Without an FTP script only the archive goes.
    plan = upload("Zipper", [](SiteDefinition& d) {
        d.scripts[size_t(SiteScript::FtpNew)].clear();
        d.use8x3Filename = false;
    });
    ASSERT_TRUE(plan.ok);
    EXPECT_EQ(plan.archiveName, s("mytool-setup.zip"));
    EXPECT_EQ(plan.archiveEntries, QStringList{s("mytool-setup.exe")});
    ASSERT_EQ(plan.uploads.size(), 1);
    EXPECT_EQ(plan.uploads[0].remoteFile, s("up/mytool-setup.zip"));

    // A broken archive in the way is replaced, not added to.
    ws.write(s("files/MYTOOL12.zip"), "half an archive");
    plan = upload("Zipper");
    EXPECT_TRUE(plan.ok) << plan.problem.toStdString();
    EXPECT_EQ(plan.archiveEntries, (QStringList{s("mytool-setup.exe"), s("readme.txt")}));
}

TEST_F(PlanTest, AProgramAlreadyZippedIsSentUnderItsOwnName)
{
    addSite("Zipper", "USE_FTP_UPLOAD=1\r\nUSE_ZIP_FILE=1\r\nFTP_SERVER=ftp.site.test\r\nUSE_8X3_FILENAME=1\r\n");
    addSite("Plain", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=ftp.site.test\r\n");
    start();
    ws.write(s("dist/a.exe"), "MZ a");
    ws.write(s("dist/b.txt"), "b");
    makeZip(s("dist/tool.zip"), {s("dist/a.exe"), s("dist/b.txt")});
    ASSERT_TRUE(QFile::rename(ws.file(s("dist/tool.zip")), ws.file(s("dist/TOOL.ZIP"))));
    model->application().setField(AppField::Path, ws.file(s("dist/TOOL.ZIP")));

    // Zip or not, the site gets the user's archive, copied, not zipped again.
    for (const char* site : {"Zipper", "Plain"}) {
        const FtpPlan plan = upload(site);
        ASSERT_TRUE(plan.ok) << site;
        EXPECT_TRUE(plan.zip);
        EXPECT_EQ(plan.archiveName, s("TOOL.ZIP"));
        EXPECT_FALSE(plan.archiveInPlace);
        EXPECT_EQ(plan.archiveEntries, (QStringList{s("a.exe"), s("b.txt")}));
        ASSERT_EQ(plan.uploads.size(), 1);
        EXPECT_EQ(plan.uploads[0].localFile, ws.file(s("files/TOOL.ZIP")));
        EXPECT_EQ(plan.uploads[0].remoteFile, s("TOOL.ZIP"));
        EXPECT_EQ(plan.uploads[0].size, sizeOf("dist/TOOL.ZIP"));
    }

    // The archive kept in the files directory itself must not be deleted to be copied onto itself.
    model->application().setField(AppField::Path, archive());
    const FtpPlan plan = upload("Zipper");
    ASSERT_TRUE(plan.ok);
    EXPECT_TRUE(plan.archiveInPlace);
    EXPECT_TRUE(plan.archiveEntries.isEmpty());
    EXPECT_EQ(plan.uploads[0].size, 22);
}

TEST_F(PlanTest, WhatWouldStopAnAttemptOrItsAddedText)
{
    addSite("Plain", "USE_FTP_UPLOAD=1\r\nFTP_SERVER=ftp.site.test\r\nFTP_FILENAME=notes.txt\r\nADD_FILE_TO_ZIP=1\r\n");
    script("Plain", "FTP_NEW", "About %APPNAME%\r\n");
    start();
    useSetupProgram();

    FtpPlan plan = upload("Plain", [](SiteDefinition& d) { d.ftpServer = QStringLiteral(" "); });
    EXPECT_FALSE(plan.ok);
    EXPECT_EQ(plan.problem, s("No FTP server for: Plain"));

    model->application().setField(AppField::Path, ws.file(s("dist/gone.exe")));
    plan = upload("Plain");
    EXPECT_FALSE(plan.ok);
    EXPECT_EQ(plan.problem, s("Cannot find file ") + ws.file(s("dist/gone.exe")));
    useSetupProgram();

    // An added text that cannot be prepared is left out; the program still goes.
    const Edit badScript = [](SiteDefinition& d) { d.scripts[size_t(SiteScript::FtpNew)] = {QStringLiteral("%NOPE%")}; };
    const Edit badName = [](SiteDefinition& d) { d.ftpFilename = QStringLiteral("%NOPE%.txt"); };
    const Edit outside = [](SiteDefinition& d) { d.ftpFilename = QStringLiteral("../notes.txt"); };
    for (const Edit& edit : {badScript, badName, outside}) {
        plan = upload("Plain", edit);
        EXPECT_TRUE(plan.ok);
        EXPECT_FALSE(plan.addedTextOk);
        EXPECT_EQ(plan.uploads.size(), 1);
    }
    EXPECT_TRUE(zipEntryNames(ws.file(s("dist/mytool-setup.exe"))).isEmpty());
}
