#include "engines/TEngBuild.h"
#include "records/Clock.h"
#include "reports/TReportsFrm.h"
#include "ui/TApplicationPages.h"
#include "ui/TLed.h"
#include "ui/TSetupDlg.h"
#include "ui/TSiteBuilderPage.h"
#include "ui/TSubmitPage.h"
#include "workflow/MainModel.h"

#include "../net/TestServers.h"
#include "TestWindow.h"

#include <QFileInfo>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <vector>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

const char Sep = char(0xB1);
const QDateTime RunMoment(QDate(2026, 3, 14), QTime(9, 30, 0));

QByteArray listLine(const char* site, const char* submit, const QByteArray& lastPost, const char* post)
{
    return QByteArray(site) + Sep + submit + Sep + "N/A" + Sep + "N/A" + Sep + lastPost + Sep + post + "\r\n";
}

// The program's clock stands still at RunMoment while it lives.
struct FixedClock {
    FixedClock() { Clock::set([] { return RunMoment; }); }
    ~FixedClock() { Clock::set({}); }
};

// A company, the application "My Tool" 2.1 with an archive at its path, and one
// HTTP site per entry (name, server path), each marked to post its form "New".
void prepare(TestWorkspace& ws, const HttpTestServer& server, const std::vector<std::pair<const char*, const char*>>& sites,
             bool mailSettings = true)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("files/mytool.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    ws.write(s("data/Applications.dat"), "My Tool\r\n");
    ws.write(s("data/My Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\n8CHAR=mytool\r\nVERSION=2.1\r\n"
                                    "PLATFORM=Windows 95\r\nDSTATUS=Author\r\nSTATUS=Shareware\r\nPATH="
                                        + ws.file(s("files/mytool.zip")).toUtf8() + "\r\n");
    // A short time-out only guards against a test that never presses its button.
    QByteArray settings = "[SETTINGS]\r\nLastAppLoaded=My Tool\r\nHTTPTimeOut=10\r\n";
    if (mailSettings)
        settings += "SMTP=mail.example\r\nEMAIL=me@example.com\r\nNAME=Me Myself\r\n";
    ws.write(s("settings.dat"), settings);
    QByteArray catalogue;
    QByteArray list;
    for (const auto& [name, path] : sites) {
        catalogue += QByteArray(name) + "\r\n";
        list += listLine(name, "New", "Unknown", "Y");
        ws.write(s("sites/") + s(name) + s(".ini"),
                 "[SETTINGS]\r\nUSE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + server.url(s(path)).toLatin1() + "\r\n");
        ws.write(s("sites/") + s(name) + s(" HTTP_NEW.scp"), "name=%APPNAME%&v=%APPVERSION%\r\n");
    }
    ws.write(s("sites/Sites.dat"), catalogue);
    ws.write(s("data/My Tool_SITES.dat"), list);
}

// Shows each modal window in turn to the next answer; returns the titles seen.
QStringList answerModals(const std::function<void()>& open, std::vector<std::function<void(QWidget*)>> answers)
{
    QStringList titles;
    QPointer<QWidget> last;
    size_t next = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last)
            return;
        last = modal;
        titles << modal->windowTitle();
        if (next < answers.size())
            answers[next++](modal);
        if (modal->isVisible())
            modal->close();
    });
    watch.start(0);
    open();
    return titles;
}

void click(QWidget* dialog, const char* button)
{
    auto* b = dialog->findChild<QPushButton*>(QLatin1String(button));
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

const auto startSubmission = [](QWidget* verify) { click(verify, "StartBtn"); };

// The window over a prepared workspace, on its "Submit" tab.
struct RunWindow {
    TestWindow w;
    TSubmitPage* page;
    explicit RunWindow(TestWorkspace& ws) : w(ws), page(w.frame.submitPage())
    {
        w.frame.mainTabs()->setCurrentWidget(page);
        w.prompts.shown.clear();
    }
    MainModel& model() { return w.frame.model(); }

    // Presses "Save/Submit", starts at the verification and calls `whilePosting`
    // every few milliseconds while the run waits on the network; returns when
    // the run is over.
    void submit(const std::function<void()>& whilePosting = {})
    {
        QTimer poll;
        bool inside = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (inside || !whilePosting || !model().Posting() || QApplication::activeModalWidget())
                return;
            inside = true;
            whilePosting();
            inside = false;
        });
        poll.start(5);
        EXPECT_EQ(answerModals([&] { page->submitButton()->click(); }, {startSubmission}),
                  QStringList{s("Submission Verification:")});
    }

    QStringList logShown() const
    {
        QStringList lines;
        const QAbstractItemModel* m = page->logList()->model();
        for (int i = 0; i < m->rowCount(); ++i)
            lines << m->index(i, 0).data().toString();
        return lines;
    }

    // Nothing of the run is left locked, lit or counted.
    void expectIdle()
    {
        EXPECT_FALSE(model().Posting());
        EXPECT_FALSE(page->skipButton()->isEnabled());
        EXPECT_FALSE(page->cancelButton()->isEnabled());
        for (QPushButton* b : {page->submitButton(), page->viewReportsButton(), page->printLogButton(), page->exitButton()})
            EXPECT_TRUE(b->isEnabled()) << b->text().toStdString();
        EXPECT_TRUE(w.frame.fileMenu()->menuAction()->isEnabled());
        EXPECT_TRUE(w.frame.helpMenu()->menuAction()->isEnabled());
        EXPECT_TRUE(w.frame.command("Mnu_Reports")->isEnabled());
        EXPECT_EQ(page->currentSite()->text(), QString());
        for (QLabel* status : {page->httpStatus(), page->ftpStatus(), page->mailStatus()})
            EXPECT_EQ(status->text(), s("Idle"));
        for (TLed* led : {page->httpLed(), page->ftpLed(), page->mailLed()})
            EXPECT_FALSE(led->isOn());
        EXPECT_EQ(page->sitesToPost()->intValue(), 0);
        EXPECT_EQ(page->sitesProcessed()->intValue(), 0);
        EXPECT_EQ(page->postStatus()->value(), 0);
        EXPECT_EQ(w.prompts.busyDepth, 0) << "the busy cursor is gone";
    }
};

const QString ViewReport = s("confirm: Submission Process Done. View Report?");
const QString SureToCancel = s("confirm: Sure you want to cancel all posts?");

QString today()
{
    return QLocale::system().toString(RunMoment.date(), QLocale::ShortFormat);
}

} // namespace

TEST(SubmitRunWindow, SaveSubmitRunsTheWholeRunAndLeavesTheWindowAsItWas)
{
    FixedClock clock;
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TestWorkspace ws;
    prepare(ws, server, {{"Tool Site", "/test/len"}});
    const QByteArray longLine = "This description runs on well past the seventy-two characters of a line in a form.";
    ws.write(s("data/My Tool.lds"), longLine + "\r\n");
    RunWindow rw(ws);
    EXPECT_FALSE(rw.page->skipButton()->isEnabled());
    rw.model().displays().AddLog(s("a line of an earlier run"));
    rw.w.prompts.confirmAnswers = {true};

    rw.submit();

    EXPECT_EQ(rw.logShown(), QStringList{s("Completed HTTP Post to: Tool Site")}) << "the earlier run's log is gone";
    EXPECT_EQ(rw.page->logList()->currentIndex().row(), rw.page->logList()->model()->rowCount() - 1);
    const QByteArray request = server.recorded();
    EXPECT_TRUE(request.startsWith("POST /test/len HTTP/1.")) << request.constData();
    EXPECT_TRUE(request.endsWith("\r\n\r\nname=My%20Tool&v=2.1\r\n")) << request.constData();
    EXPECT_EQ(ws.read(s("data/My Tool_SITES.dat")), listLine("Tool Site", "Update", today().toLatin1(), "N"));
    EXPECT_EQ(rw.model().reports().SuccessCount, 1);
    EXPECT_EQ(rw.model().reports().FailCount, 0);
    EXPECT_GT(rw.page->httpBytes()->text().toLongLong(), 0);
    // The site's reply stands in the transfer list, its last line selected.
    QAbstractItemModel* reply = rw.page->xferList()->model();
    ASSERT_EQ(reply->rowCount(), 1);
    EXPECT_EQ(reply->index(0, 0).data().toString(), s("Hello from the test server."));
    EXPECT_EQ(rw.page->xferList()->currentIndex().row(), 0);
    // The rewrapped description is what the field shows now.
    const QStringList wrapped = rw.w.frame.applicationPages()->longDescriptionEdit()->toPlainText().split(u'\n');
    EXPECT_EQ(wrapped.size(), 2);
    EXPECT_EQ(wrapped.join(QString()), QString::fromLatin1(longLine));

    // The report is offered, and on Yes opened in the browser.
    const QString mainReport = rw.model().reports().MainReportFile();
    EXPECT_TRUE(QFileInfo(mainReport).isFile());
    ASSERT_EQ(rw.w.prompts.messages().size(), 2);
    EXPECT_EQ(rw.w.prompts.messages().at(0), ViewReport);
    EXPECT_EQ(QUrl(rw.w.prompts.messages().at(1).mid(9)).toLocalFile(), mainReport);
    EXPECT_TRUE(rw.w.prompts.messages().at(1).startsWith(s("openUrl: ")));
    rw.expectIdle();

    // The mail setup holds the mail settings for the e-mail posting.
    TSetupDlg* setup = rw.w.frame.setupDialog();
    EXPECT_EQ(setup->ServerEdit()->text(), s("mail.example"));
    EXPECT_EQ(setup->UserAddressEdit()->text(), s("me@example.com"));
    EXPECT_EQ(setup->UserNameEdit()->text(), s("Me Myself"));
    EXPECT_TRUE(setup->LogFileNameEdit()->isHidden());
    EXPECT_FALSE(setup->isVisible());
}

TEST(SubmitRunWindow, WhileAPostWaitsOnlySkipAndCancelWorkAndSkipMovesOnToTheNextSite)
{
    FixedClock clock;
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TestWorkspace ws;
    prepare(ws, server, {{"Slow Site", "/test/stall"}, {"Tool Site", "/test/len"}});
    RunWindow rw(ws);
    TMainFrm& frame = rw.w.frame;
    TSubmitPage* page = rw.page;
    FakePrompts& prompts = rw.w.prompts;

    bool looked = false;
    rw.submit([&] {
        if (looked || rw.model().displays().httpStatus() != s("HTTP Posting: Slow Site"))
            return;
        looked = true;
        EXPECT_TRUE(page->skipButton()->isEnabled());
        EXPECT_TRUE(page->cancelButton()->isEnabled());
        for (QPushButton* b : {page->submitButton(), page->viewReportsButton(), page->printLogButton(), page->exitButton()})
            EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
        EXPECT_FALSE(frame.fileMenu()->menuAction()->isEnabled());
        EXPECT_FALSE(frame.helpMenu()->menuAction()->isEnabled());
        EXPECT_FALSE(frame.command("Mnu_Reports")->isEnabled());
        EXPECT_EQ(page->currentSite()->text(), s("Slow Site"));
        EXPECT_EQ(page->httpStatus()->text(), s("HTTP Posting: Slow Site"));
        EXPECT_TRUE(page->httpLed()->isOn());
        EXPECT_TRUE(page->httpLed()->isBlinking());
        EXPECT_FALSE(page->ftpLed()->isOn());
        EXPECT_FALSE(page->mailLed()->isOn());
        EXPECT_EQ(page->sitesToPost()->intValue(), 2);
        EXPECT_EQ(page->sitesProcessed()->intValue(), 0);
        // The mail setup is filled before the first site.
        EXPECT_EQ(frame.setupDialog()->ServerEdit()->text(), s("mail.example"));

        // Neither the tabs nor the window can be left while the run reads the records.
        prompts.shown.clear();
        QTabBar* bar = frame.mainTabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
        EXPECT_EQ(frame.mainTabs()->currentWidget(), page);
        EXPECT_EQ(prompts.shown, QStringList{s("info: Tab Change Not Allowed While Posting!")});
        prompts.shown.clear();
        EXPECT_FALSE(frame.close());
        EXPECT_TRUE(frame.isVisible());
        EXPECT_EQ(prompts.shown, QStringList{s("beep")});
        prompts.shown.clear();

        page->skipButton()->click();
    });

    EXPECT_TRUE(looked);
    EXPECT_EQ(rw.logShown(), (QStringList{s("ERROR:  [Operation has been canceled]"), s("Posting Error - (Slow Site)"),
                                          s("SKIPPED -> Slow Site"), s("Completed HTTP Post to: Tool Site")}));
    EXPECT_EQ(page->logList()->currentIndex().row(), 3) << "the last line is selected";
    EXPECT_EQ(prompts.messages(), QStringList{ViewReport}) << "Skip asks nothing";
    EXPECT_EQ(ws.read(s("data/My Tool_SITES.dat")), listLine("Slow Site", "New", "Unknown", "Y")
                                                          + listLine("Tool Site", "Update", today().toLatin1(), "N"));
    EXPECT_EQ(rw.model().reports().SuccessCount, 1);
    EXPECT_EQ(rw.model().reports().FailCount, 1);
    rw.expectIdle();
    EXPECT_EQ(frame.mainTabs()->currentWidget(), page);
    // The tabs are free again.
    frame.mainTabs()->setCurrentIndex(0);
    EXPECT_EQ(frame.mainTabs()->currentIndex(), 0);
}

TEST(SubmitRunWindow, CancelAnsweredNoGoesOnAndAnsweredYesEndsTheRunThere)
{
    FixedClock clock;
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TestWorkspace ws;
    prepare(ws, server, {{"Slow Site", "/test/stall"}, {"Tool Site", "/test/len"}});
    const QByteArray listBefore = ws.read(s("data/My Tool_SITES.dat"));
    RunWindow rw(ws);
    FakePrompts& prompts = rw.w.prompts;

    int presses = 0;
    rw.submit([&] {
        if (rw.model().displays().httpStatus() != s("HTTP Posting: Slow Site") || presses == 2)
            return;
        if (presses == 1) {
            // "No" left the post waiting.
            EXPECT_FALSE(rw.model().run().CancelRequested());
            EXPECT_TRUE(rw.logShown().isEmpty());
            EXPECT_TRUE(rw.page->cancelButton()->isEnabled());
        }
        prompts.confirmAnswers = {presses == 1};
        ++presses;
        rw.page->cancelButton()->click();
    });

    EXPECT_EQ(presses, 2);
    EXPECT_EQ(prompts.messages(), (QStringList{SureToCancel, SureToCancel, ViewReport}));
    EXPECT_EQ(prompts.shown.mid(0, 2), (QStringList{s("beep"), SureToCancel})) << "a beep before the question";
    EXPECT_EQ(rw.logShown(), (QStringList{s("ERROR:  [Operation has been canceled]"), s("Posting Error - (Slow Site)")}));
    EXPECT_FALSE(server.recorded().contains("/test/len")) << "no site after the cancel is posted";
    EXPECT_EQ(ws.read(s("data/My Tool_SITES.dat")), listBefore);
    EXPECT_EQ(rw.model().reports().SuccessCount, 0);
    EXPECT_EQ(rw.model().reports().FailCount, 1);
    EXPECT_TRUE(QFileInfo(rw.model().reports().MainReportFile()).isFile()) << "a cancelled run leaves its report";
    rw.expectIdle();
}

TEST(SubmitRunWindow, MissingMailSettingsReopenTheSettingsUntilAllAreGiven)
{
    FixedClock clock;
    HttpTestServer server;
    ASSERT_TRUE(server.started());
    TestWorkspace ws;
    prepare(ws, server, {{"Tool Site", "/test/len"}}, false);
    RunWindow rw(ws);

    const auto fill = [](const char* smtp, const char* email, const char* name) {
        return [=](QWidget* settings) {
            const std::pair<const char*, const char*> fields[] = {{"SMTPEdit", smtp}, {"EmailEdit", email}, {"NameEdit", name}};
            for (const auto& [field, text] : fields) {
                auto* edit = settings->findChild<QLineEdit*>(QLatin1String(field));
                ASSERT_NE(edit, nullptr) << field;
                edit->setText(QLatin1String(text));
            }
            click(settings, "OkBtn");
        };
    };
    const QStringList titles = answerModals([&] { rw.page->submitButton()->click(); },
                                            {[](QWidget* settings) { click(settings, "CancelBtn"); },
                                             fill("mail.example", "", "Me Myself"),
                                             fill("mail.example", "me@example.com", "Me Myself"), startSubmission});

    EXPECT_EQ(titles, (QStringList{s("Settings"), s("Settings"), s("Settings"), s("Submission Verification:")}));
    EXPECT_TRUE(ws.read(s("settings.dat")).contains("EMAIL=me@example.com"));
    TSetupDlg* setup = rw.w.frame.setupDialog();
    EXPECT_EQ(setup->ServerEdit()->text(), s("mail.example"));
    EXPECT_EQ(setup->UserAddressEdit()->text(), s("me@example.com"));
    EXPECT_EQ(setup->UserNameEdit()->text(), s("Me Myself"));
    EXPECT_EQ(rw.logShown(), QStringList{s("Completed HTTP Post to: Tool Site")});
    rw.expectIdle();
}

TEST(SubmitRunWindow, TheSimtelPasswordTypedInTheSiteBuilderIsKeptAcrossStarts)
{
    TestWorkspace ws;
    ws.write(s("sites/Sites.dat"), "Simtel\r\n");
    ws.write(s("sites/Simtel.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_SERVER=upload.example\r\n");
    {
        TestWindow w(ws);
        w.frame.mainTabs()->setCurrentWidget(w.frame.siteBuilderPage());
        TSiteBuilderPage* builder = w.frame.siteBuilderPage();
        ASSERT_EQ(w.frame.model().engine()->siteName(), s("Simtel"));
        builder->pages()->setCurrentWidget(builder->ftpPage());
        auto* password = builder->ftpPage()->findChild<QLineEdit*>(s("LoginPasswordEdit"));
        ASSERT_NE(password, nullptr);
        ASSERT_TRUE(password->isEnabled());
        password->setFocus();
        QTest::keyClicks(password, s("s3cret"));
        // The site itself is not saved: the password still reaches both Simtel definitions.
        w.prompts.saveAnswers = {UserPrompts::Answer::No};
        EXPECT_TRUE(w.frame.close());
        EXPECT_EQ(w.prompts.messages(), QStringList{s("askSave: Would you like to save Added/Changed Engine Info?")});
    }
    const QByteArray simtel = ws.read(s("sites/Simtel.ini"));
    EXPECT_TRUE(simtel.contains("LOGIN_PASSWORD=s3cret\r\n")) << simtel.constData();
    EXPECT_TRUE(simtel.contains("FTP_SERVER=upload.example")) << "the rest of the definition stays";
    EXPECT_EQ(ws.read(s("sites/Simtel 16bit.ini")), "[SETTINGS]\r\nLOGIN_PASSWORD=s3cret\r\n");

    {
        TestWindow w(ws);
        EXPECT_EQ(w.frame.model().run().simtelPassword(), s("s3cret"));
    }
    // An empty password in the first definition is looked for in the second.
    ws.write(s("sites/Simtel.ini"), "[SETTINGS]\r\nLOGIN_PASSWORD=\r\n");
    ws.write(s("sites/Simtel 16bit.ini"), "[SETTINGS]\r\nLOGIN_PASSWORD=other\r\n");
    TestWindow w(ws);
    EXPECT_EQ(w.frame.model().run().simtelPassword(), s("other"));
}
