#include "RunFixture.h"

#include "engines/TEngBuild.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {
using Outcome = SubmissionRun::Outcome;
}

class SubmissionRunTest : public RunFixture {};

TEST_F(SubmissionRunTest, AWholeRunPostsEachSiteByItsMethodAndRecordsTheResults)
{
    startServer();
    startMailServer();
    addSite("Free Site", "SITE_TYPE=1\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/free") + "\r\n", "free=1");
    addSite("Get Site", "USE_HTTP_POST=1\r\nHTTP_POST_TYPE=2\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/error?") + "\r\n",
            "a=1\r\nb=x y\r\n");
    addSite("Mail Site", "USE_EMAIL=1\r\nEMAIL_TONAME=submit@mail.test\r\nEMAIL_SUBJECT=%APPNAME% %APPVERSION%\r\n");
    ws.write(s("sites/Mail Site EMAIL_NEW.scp"), "Program: %APPNAME%\r\n");
    addSite("None Site", "SITES_WEB_URL=http://none.test/\r\n");
    addSite("Post Site", "USE_CAT1=1\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/len") + "\r\n",
            "name=%APPNAME%&v=%APPVERSION%&c=%SITECAT1%", "11\">Games\r\n22\">Utilities\r\n");
    start();
    ASSERT_EQ(list().rows().size(), 5);

    // The category is chosen in the list, not yet saved.
    list().setCurrentRow(rowOf("Post Site"));
    list().setCategory(1, s("Utilities"));
    // A freeware-only site marked while the application was freeware keeps its mark.
    model->application().setField(AppField::Status, s("Freeware"));
    list().setCurrentRow(rowOf("Free Site"));
    ASSERT_TRUE(list().setPost(true));
    model->application().setField(AppField::Status, s("Shareware"));
    model->application().setChanged(false);
    prompts.confirmAnswers = {true}; // "View Report?"

    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(verified, 1);
    EXPECT_EQ(verifiedCounts.total, 4) << "the freeware-only site is not counted";
    EXPECT_EQ(verifiedCounts.http, 2);
    EXPECT_EQ(verifiedCounts.email, 1);

    const QByteArray recorded = server->recorded();
    const qsizetype post = recorded.indexOf("POST /test/len HTTP/1.1\r\n");
    ASSERT_GT(post, 0) << recorded.constData();
    EXPECT_TRUE(recorded.startsWith("GET /test/error?a=1%20b=x%20y HTTP/1.1\r\n")) << recorded.constData();
    EXPECT_TRUE(recorded.endsWith("\r\n\r\nname=My%20Tool&v=2.1&c=22\r\n")) << recorded.constData();
    EXPECT_EQ(recorded.count("HTTP/1.1\r\n"), 2) << "nothing for the e-mail or the freeware site";

    const QByteArray posted = today().toLatin1();
    EXPECT_EQ(sitesFile(), line({"Free Site", "New", "N/A", "N/A", "Unknown", "Y"})
                               + line({"Get Site", "Update", "N/A", "N/A", posted, "N"})
                               + line({"Mail Site", "Update", "N/A", "N/A", posted, "N"})
                               + line({"None Site", "Update", "N/A", "N/A", posted, "N"})
                               + line({"Post Site", "Update", "Utilities", "N/A", posted, "N"}));

    // The mail reached the site's address through the user's server.
    ASSERT_EQ(mailServer->messageCount(), 1);
    EXPECT_EQ(mailServer->envelope(1).value(s("rcpt_tos")).toVariant().toStringList(),
              QStringList{s("submit@mail.test")});
    EXPECT_EQ(mailServer->envelope(1).value(s("mail_from")).toString(), s("me@acme.test"));
    const QByteArray mail = mailServer->message(1);
    EXPECT_TRUE(mail.contains("Subject: My Tool 2.1\r\n")) << mail.constData();
    EXPECT_TRUE(mail.contains("\r\n\r\nProgram: My Tool\r\n")) << mail.constData();
    EXPECT_TRUE(mail.contains("X-Zentrel: ")) << mail.constData();

    EXPECT_EQ(reportedCounts(), std::make_pair(4, 0));
    EXPECT_EQ(runFile(TReportsFrm::replyFileName(s("Post Site"))), QByteArray("Hello from the test server.\r\n"));
    EXPECT_EQ(runFile(TReportsFrm::replyFileName(s("Get Site"))), QByteArray("Something broke.\r\n"))
        << "a status of 500 is an answer like any other";
    const QByteArray page = runFile(s("Post Site _HTTP.htm"));
    for (const char* text : {"[Starting Transfer]", "Post Data: name=My%20Tool&amp;v=2.1&amp;c=22", "[End Transfer]",
                             "Completed HTTP Post to: Post Site"})
        EXPECT_TRUE(page.contains(text)) << text;

    const QStringList expectedLog{s("Completed HTTP Post to: Get Site"), s("Mail Site E-Mailed Information."),
                                  s("Completed HTTP Post to: Post Site")};
    EXPECT_EQ(log(), expectedLog);
    const QByteArray logPage = runFile(s("LogReport.htm"));
    for (const QString& text : expectedLog)
        EXPECT_TRUE(logPage.contains(text.toLatin1())) << qPrintable(text);

    // The run is over and the report offered.
    EXPECT_FALSE(model->Posting());
    EXPECT_EQ(prompts.busyDepth, 0);
    EXPECT_EQ(prompts.messages(), (QStringList{s("confirm: Submission Process Done. View Report?"),
                                               s("openUrl: ") + model->reports().MainReportUrl()}));
    EXPECT_EQ(QUrl(model->reports().MainReportUrl()).toLocalFile(), model->reports().RunDir() + s("/MainReport.htm"));
    EXPECT_EQ(model->displays().currentSite(), QString());
    EXPECT_EQ(model->displays().httpStatus(), s("Idle"));
    EXPECT_EQ(model->displays().sitesProcessed(), 0);
    EXPECT_EQ(run().ProcessedCount(), 4);
}

TEST_F(SubmissionRunTest, FtpIsTriedRetriesPlusOneTimesAndASuccessEndsTheAttempts)
{
    addSite("Ftp Site", "USE_FTP_UPLOAD=1\r\n");
    start();
    run().setFtpMethod(&ftp);
    const auto attemptsFor = [&](int retries, std::deque<bool> results) {
        list().setCurrentRow(rowOf("Ftp Site"));
        list().setPost(true);
        list().setSubmitNew(true);
        model->settings().ftpRetries = retries;
        ftp.attempts = 0;
        ftp.results = std::move(results);
        EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
        return ftp.attempts;
    };
    EXPECT_EQ(attemptsFor(0, {}), 1);
    EXPECT_EQ(row("Ftp Site").submit, s("New")) << "a failed site keeps its row";
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));

    model->settings().ftpPassiveMode = true;
    EXPECT_EQ(attemptsFor(3, {}), 4);
    EXPECT_EQ(ftp.passive.last(), true);
    EXPECT_EQ(attemptsFor(3, {false, false, true}), 3);
    EXPECT_EQ(row("Ftp Site").submit, s("Update"));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 0));
    ASSERT_EQ(model->reports().FinalSubsList().size(), 1);
    EXPECT_TRUE(model->reports().FinalSubsList().first().url.endsWith(s("/Ftp%20Site%20_FTP.htm")))
        << qPrintable(model->reports().FinalSubsList().first().url);
}

TEST_F(SubmissionRunTest, AFailedFtpUploadLeavesTheFormAndTheMailOut)
{
    startServer();
    addSite("All Ways", "USE_FTP_UPLOAD=1\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url("/test/len")
                            + "\r\nUSE_EMAIL=1\r\nEMAIL_TONAME=a@b.test\r\n",
            "name=%APPNAME%");
    start();
    run().setFtpMethod(&ftp);
    run().setEmailMethod(&email);
    model->settings().ftpRetries = 0;
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(ftp.attempts, 1);
    EXPECT_TRUE(server->recorded().isEmpty());
    EXPECT_TRUE(email.sent.isEmpty());
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
    EXPECT_EQ(row("All Ways").post, s("Y"));

    // Once the upload goes through, the form and the mail follow in that order.
    ftp.results = {true};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(server->recorded().startsWith("POST /test/len")) << server->recorded().constData();
    EXPECT_EQ(email.sent, (QList<ScriptedEmail::Mail>{{true, 0, false}}));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 0));
    EXPECT_EQ(row("All Ways").post, s("N"));
}

TEST_F(SubmissionRunTest, MailGoesToTheRecipientOfTheRowsKindAndTheCopyOnlyAfterASuccess)
{
    addSite("A Update Only New", "USE_EMAIL=1\r\nEMAIL_TONAME=new@a.test\r\n");
    addSite("B Copy", "USE_EMAIL=1\r\nEMAIL_TONAME_UPDATE=upd@b.test\r\nEMAIL_SEND_COPY=1\r\n");
    addSite("C Refused", "USE_EMAIL=1\r\nEMAIL_TONAME_UPDATE=upd@c.test\r\nEMAIL_SEND_COPY=1\r\n");
    ws.write(s("data/My Tool_SITES.dat"), line({"A Update Only New", "Update", "N/A", "N/A", "01/01/20", "Y"})
                                              + line({"B Copy", "Update", "N/A", "N/A", "01/01/20", "Y"})
                                              + line({"C Refused", "Update", "N/A", "N/A", "01/01/20", "Y"}));
    start();
    run().setEmailMethod(&email);
    model->settings().resetToNoPost = false;
    // B's mail goes, its copy fails; C's mail fails.
    email.results = {true, false, false};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(email.sent, (QList<ScriptedEmail::Mail>{{false, 1, false}, {false, 1, true}, {false, 2, false}}))
        << "no mail for an update row without an update recipient; no copy after a failure";
    const QByteArray posted = today().toLatin1();
    EXPECT_EQ(sitesFile(), line({"A Update Only New", "Update", "N/A", "N/A", posted, "Y"})
                               + line({"B Copy", "Update", "N/A", "N/A", posted, "Y"})
                               + line({"C Refused", "Update", "N/A", "N/A", "01/01/20", "Y"}));
    EXPECT_EQ(reportedCounts(), std::make_pair(2, 1));
    EXPECT_TRUE(QFile::exists(model->reports().RunDir() + s("/B Copy _EMAIL.htm")));
}

TEST_F(SubmissionRunTest, CancelAnsweredNoGoesOnAndYesEndsTheRunAfterTheMethod)
{
    addSite("First", "USE_FTP_UPLOAD=1\r\n");
    addSite("Second", "USE_EMAIL=1\r\nEMAIL_TONAME=a@b.test\r\nEMAIL_TONAME_UPDATE=a@b.test\r\n");
    start();
    run().setFtpMethod(&ftp);
    run().setEmailMethod(&email);
    bool tabsLocked = false;
    ftp.during = [&] {
        tabsLocked = !model->tabChangeAllowed();
        run().cancelClick();
    };
    ftp.results = {true};

    prompts.confirmAnswers = {false, false}; // the cancel question, then "View Report?"
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(tabsLocked);
    EXPECT_TRUE(asked(s("Sure you want to cancel all posts?")));
    EXPECT_EQ(email.sent.size(), 1);
    EXPECT_EQ(reportedCounts(), std::make_pair(2, 0));

    // Yes during a failing upload: the site fails, nothing after it runs.
    prompts.confirmAnswers = {true}; // "Post" for all
    list().allPost();
    prompts.shown.clear();
    prompts.confirmAnswers = {true, true};
    email.sent.clear();
    ftp.attempts = 0;
    ftp.results = {false};
    model->settings().ftpRetries = 3;
    EXPECT_EQ(run().submitBtnClick(), Outcome::Cancelled);
    EXPECT_TRUE(run().CancelRequested());
    EXPECT_EQ(ftp.attempts, 1) << "a cancel stops the attempts";
    EXPECT_TRUE(email.sent.isEmpty());
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
    EXPECT_TRUE(asked(s("Submission Process Done. View Report?")));
    EXPECT_FALSE(model->Posting());
    EXPECT_EQ(prompts.busyDepth, 0);
    EXPECT_EQ(model->displays().progressPosition(), 0);
    // The list is saved as it stood, marks set only in memory included.
    const QByteArray posted = today().toLatin1();
    EXPECT_EQ(sitesFile(), line({"First", "Update", "N/A", "N/A", posted, "Y"})
                               + line({"Second", "Update", "N/A", "N/A", posted, "Y"}));

    // Yes while a mail goes: the mail ends, its site gets its result, and the list keeps it.
    ftp.during = nullptr;
    ftp.results = {true};
    email.during = [&] { run().cancelClick(); };
    prompts.confirmAnswers = {true, true};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Cancelled);
    EXPECT_EQ(reportedCounts(), std::make_pair(2, 0));
    EXPECT_EQ(sitesFile(), line({"First", "Update", "N/A", "N/A", posted, "N"})
                               + line({"Second", "Update", "N/A", "N/A", posted, "N"}));
}

TEST_F(SubmissionRunTest, ASiteLeftBetweenItsMethodsFailsAndKeepsItsRow)
{
    addSite("Both", "USE_FTP_UPLOAD=1\r\nUSE_EMAIL=1\r\nEMAIL_TONAME=a@b.test\r\n");
    addSite("Next", "");
    start();
    run().setFtpMethod(&ftp);
    run().setEmailMethod(&email);

    // Skip once the upload went through: the mail is left out and the run goes on.
    ftp.results = {true};
    ftp.during = [&] { run().skipClick(); };
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_TRUE(email.sent.isEmpty());
    EXPECT_EQ(log(), QStringList{s("SKIPPED -> Both")});
    EXPECT_EQ(row("Both").submit, s("New"));
    EXPECT_EQ(row("Next").submit, s("Update"));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 1));

    // Cancel at the same point ends the run there.
    ftp.results = {true};
    ftp.during = [&] { run().cancelClick(); };
    prompts.confirmAnswers = {true};
    list().setCurrentRow(rowOf("Next"));
    list().setPost(true);
    EXPECT_EQ(run().submitBtnClick(), Outcome::Cancelled);
    EXPECT_TRUE(email.sent.isEmpty());
    EXPECT_EQ(row("Both").submit, s("New"));
    EXPECT_EQ(row("Next").post, s("Y")) << "the site after the cancel is not posted";
    EXPECT_EQ(reportedCounts(), std::make_pair(0, 1));
}

TEST_F(SubmissionRunTest, EachSiteIsJudgedByItsDefinitionWhenItsTurnComes)
{
    addSite("Gone", "");
    addSite("Here", "");
    addSite("No Mark", "");
    addSite("Turned Free", "");
    ws.write(s("data/My Tool_SITES.dat"), line({"No Mark", "New", "N/A", "N/A", "Unknown", ""}));
    start();
    // Changed on disk since the list was read.
    QFile::remove(ws.file(s("sites/Gone.ini")));
    ws.write(s("sites/Turned Free.ini"), "[SETTINGS]\r\nSITE_TYPE=1\r\n");
    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);

    EXPECT_EQ(verifiedCounts.total, 3);
    EXPECT_EQ(log(), QStringList{s("Unable to post to: Gone (no site definition)")});
    EXPECT_EQ(sitesFile(), line({"Gone", "New", "N/A", "N/A", "Unknown", "Y"})
                               + line({"Here", "Update", "N/A", "N/A", today().toLatin1(), "N"})
                               + line({"No Mark", "New", "N/A", "N/A", "Unknown", ""})
                               + line({"Turned Free", "New", "N/A", "N/A", "Unknown", "Y"}));
    EXPECT_EQ(reportedCounts(), std::make_pair(1, 1));
}

TEST_F(SubmissionRunTest, AReportThatCannotBeWrittenEndsTheRunAndSaysSo)
{
    addSite("First", "USE_FTP_UPLOAD=1\r\n");
    addSite("Second", "");
    start();
    run().setFtpMethod(&ftp);
    // The run's folder turns into a file while the upload waits.
    ftp.during = [&] {
        const QString dir = model->reports().RunDir();
        QDir(dir).removeRecursively();
        QFile file(dir);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    ftp.results = {true};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Failed);

    const QStringList shown = prompts.messages();
    ASSERT_EQ(shown.size(), 1) << qPrintable(shown.join(u'\n'));
    EXPECT_TRUE(shown.first().startsWith(s("error: Cannot create file ") + model->reports().RunDir()));
    EXPECT_FALSE(model->Posting());
    EXPECT_EQ(prompts.busyDepth, 0);
    EXPECT_EQ(row("Second").submit, s("New")) << "the run ended at the failing page";
    // The upload went through: its site is recorded before the run ends, so a rerun does not upload again.
    EXPECT_EQ(model->reports().SuccessCount, 1);
    EXPECT_EQ(sitesFile(), line({"First", "Update", "N/A", "N/A", today().toLatin1(), "N"})
                               + line({"Second", "New", "N/A", "N/A", "Unknown", "Y"}));
}

TEST_F(SubmissionRunTest, AListThatCannotBeSavedKeepsTheResultsForTheCloseQuestion)
{
    addSite("First", "USE_FTP_UPLOAD=1\r\n");
    addSite("Second", "");
    start();
    run().setFtpMethod(&ftp);
    // The list file turns into a folder while the upload waits.
    const QString listFile = ws.file(s("data/My Tool_SITES.dat"));
    ftp.during = [&] {
        QFile::remove(listFile);
        ASSERT_TRUE(QDir().mkpath(listFile));
    };
    ftp.results = {true};
    EXPECT_EQ(run().submitBtnClick(), Outcome::Failed);

    const QStringList shown = prompts.messages().filter(s("error:"));
    ASSERT_EQ(shown.size(), 1) << qPrintable(prompts.messages().join(u'\n'));
    EXPECT_TRUE(shown.first().contains(listFile)) << qPrintable(shown.first());
    EXPECT_FALSE(model->Posting());
    EXPECT_EQ(row("First").submit, s("Update")) << "the upload went through";
    EXPECT_TRUE(model->siteList().changed()) << "closing asks to save what the run could not write";
    prompts.shown.clear();
    prompts.saveAnswers = {UserPrompts::Answer::No};
    model->closeQuery();
    EXPECT_TRUE(prompts.shown.contains(s("askSave: Would you like to save Site Engine Info?")))
        << qPrintable(prompts.shown.join(u'\n'));
}

TEST_F(SubmissionRunTest, TheSiteBuildersUnsavedSiteIsBackAfterARun)
{
    addSite("Alpha", "USE_EMAIL=1\r\nEMAIL_TONAME=a@b.test\r\n");
    addSite("Beta", "");
    start();
    run().setEmailMethod(&email);
    engine().LoadSite(s("Alpha"));
    engine().site().emailSubject = s("Edited, not saved");
    engine().setModified(true);
    prompts.saveAnswers = {UserPrompts::Answer::No};

    EXPECT_EQ(run().submitBtnClick(), Outcome::Completed);
    EXPECT_EQ(prompts.shown.filter(s("askSave:")),
              QStringList{s("askSave: Would you like to save Added/Changed Engine Info?")});
    EXPECT_EQ(email.sent.size(), 1);
    EXPECT_EQ(engine().siteName(), s("Alpha"));
    EXPECT_EQ(engine().site().emailSubject, s("Edited, not saved"));
    EXPECT_TRUE(engine().modified());
    EXPECT_FALSE(ws.read(s("sites/Alpha.ini")).contains("Edited"));
}
