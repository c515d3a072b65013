#include "ui/PrintChooser.h"
#include "ui/TLed.h"
#include "ui/TSubmitPage.h"
#include "workflow/MainModel.h"

#include "TestWindow.h"

#include <QLCDNumber>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// Answers the print dialog with a PDF printer writing to a file, or cancels.
class PdfChooser : public PrintChooser {
public:
    QString file;
    bool confirm = true;
    int asked = 0;
    bool choose(QPrinter& printer, QWidget*) override
    {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return confirm;
    }
};

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The window on its "Submit" tab, with a company and an application so that every tab may open.
struct SubmitWindow {
    TestWorkspace& ws;
    TestWindow w;
    TSubmitPage* page;
    explicit SubmitWindow(TestWorkspace& workspace) : ws(prepare(workspace)), w(workspace), page(w.frame.submitPage())
    {
        w.frame.mainTabs()->setCurrentWidget(page);
        w.prompts.shown.clear();
    }
    static TestWorkspace& prepare(TestWorkspace& ws)
    {
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("data/Applications.dat"), "Tool\r\n");
        ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
        return ws;
    }
    SubmitDisplays& displays() { return w.frame.model().displays(); }
};

} // namespace

TEST(SubmitPage, ShowsTheDisplaysAndFollowsThem)
{
    TestWorkspace ws;
    SubmitWindow sw(ws);
    TSubmitPage* page = sw.page;
    for (QLabel* status : {page->httpStatus(), page->ftpStatus(), page->mailStatus()})
        EXPECT_EQ(status->text(), s("Idle"));
    EXPECT_FALSE(page->mailProgress()->isVisible()) << "shown only while a mail is sent";
    EXPECT_FALSE(page->skipButton()->isEnabled());
    EXPECT_FALSE(page->cancelButton()->isEnabled());
    EXPECT_TRUE(page->submitButton()->isEnabled());
    EXPECT_EQ(page->submitButton()->text(), s("Save/Submit"));
    for (const char* name : {"currentsite", "httpstatus", "mailstatus", "ftpstatus", "httpled", "ftpled", "mailled",
                             "httpbytes", "ftplist", "log", "ProgressBar1", "SitesToPostdgt", "SitesProcesseddgt",
                             "PostStatus", "submitBtn"})
        EXPECT_NE(page->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;

    SubmitDisplays& d = sw.displays();
    for (int i = 0; i < 40; ++i)
        d.AddLog(QStringLiteral("line %1").arg(i));
    d.AddFtpLog(s("Sending File -> tool.zip"));
    EXPECT_EQ(page->logList()->currentIndex().row(), 39) << "the new last line is selected";
    EXPECT_EQ(page->ftpList()->currentIndex().row(), 0);
    d.setCurrentSite(s("Alpha"));
    d.setHttpStatus(s("Posted on Alpha"));
    d.setHttpBytes(123456);
    d.setLamp(SubmitDisplays::Lamp::Ftp, true, true);
    d.setMailProgressVisible(true);
    d.setMailProgress(40);
    EXPECT_EQ(page->currentSite()->text(), s("Alpha"));
    EXPECT_EQ(page->httpStatus()->text(), s("Posted on Alpha"));
    EXPECT_EQ(page->httpBytes()->text(), s("123456"));
    EXPECT_TRUE(page->ftpLed()->isOn());
    EXPECT_TRUE(page->ftpLed()->isBlinking());
    EXPECT_FALSE(page->httpLed()->isOn());
    EXPECT_TRUE(page->mailProgress()->isVisible());
    EXPECT_EQ(page->mailProgress()->value(), 40);

    // More sites than three digits hold still show their number.
    d.setCounters(1234);
    d.siteProcessed(1);
    EXPECT_EQ(page->sitesToPost()->intValue(), 1233);
    EXPECT_FALSE(page->sitesToPost()->checkOverflow(1233));
    EXPECT_EQ(page->sitesProcessed()->intValue(), 1);
    EXPECT_EQ(page->postStatus()->maximum(), 1234);
    EXPECT_EQ(page->postStatus()->value(), 1);
    d.setCounters(0);
    EXPECT_NE(page->postStatus()->maximum(), 0) << "no sites: an empty bar, not a busy one";
}

TEST(SubmitPage, ARunLocksTheWindowAndItsEndRestoresIt)
{
    TestWorkspace ws;
    SubmitWindow sw(ws);
    TMainFrm& frame = sw.w.frame;
    FakePrompts& prompts = sw.w.prompts;
    TSubmitPage* page = sw.page;
    SubmitDisplays& d = sw.displays();
    d.setCounters(5);
    frame.command("UpdateDataItem")->setEnabled(false); // an entry already off before the run
    d.BeginPosting();

    EXPECT_FALSE(frame.fileMenu()->menuAction()->isEnabled());
    EXPECT_FALSE(frame.helpMenu()->menuAction()->isEnabled());
    EXPECT_FALSE(frame.command("Mnu_Reports")->isEnabled());
    EXPECT_FALSE(frame.command("AboutItem")->isEnabled());
    for (QPushButton* b : {page->submitButton(), page->viewReportsButton(), page->printLogButton(), page->exitButton()})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
    EXPECT_TRUE(page->skipButton()->isEnabled());
    EXPECT_TRUE(page->cancelButton()->isEnabled());

    // Every way of changing the tab is refused before it happens; no tab rule runs.
    const QString refused = s("info: Tab Change Not Allowed While Posting!");
    QTabBar* bar = frame.mainTabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(frame.mainTabs()->currentWidget(), page);
    EXPECT_EQ(prompts.messages(), QStringList{refused});
    page->logList()->setFocus();
    QTest::keyClick(page->logList(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(frame.mainTabs()->currentWidget(), page);
    const QPoint at = bar->tabRect(2).center();
    QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(bar, &wheel);
    EXPECT_EQ(frame.mainTabs()->currentWidget(), page);
    // The Help menu is locked with its shortcut.
    QWidget* modal = nullptr;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if ((modal = QApplication::activeModalWidget()))
            modal->close();
    });
    watch.start(0);
    QTest::keyClick(page->logList(), Qt::Key_A, Qt::ControlModifier);
    watch.stop();
    EXPECT_EQ(modal, nullptr) << "Ctrl+A opens no about box";
    EXPECT_EQ(prompts.messages(), (QStringList{refused, refused, refused}));

    // Closing the window would take what the run uses away.
    prompts.shown.clear();
    frame.model().company().setField(CompanyField::Phone, s("1"));
    EXPECT_FALSE(frame.close());
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(prompts.shown, QStringList{s("beep")});

    d.EndPosting();
    EXPECT_TRUE(frame.fileMenu()->menuAction()->isEnabled());
    EXPECT_TRUE(frame.command("Mnu_Reports")->isEnabled());
    EXPECT_TRUE(frame.command("AboutItem")->isEnabled());
    EXPECT_FALSE(frame.command("UpdateDataItem")->isEnabled()) << "what was disabled before stays so";
    EXPECT_TRUE(page->submitButton()->isEnabled());
    EXPECT_TRUE(page->exitButton()->isEnabled());
    EXPECT_FALSE(page->skipButton()->isEnabled());
    EXPECT_EQ(page->sitesToPost()->intValue(), 0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(frame.mainTabs()->currentIndex(), 1);
}

TEST(SubmitPage, PrintLogWithAnEmptyLogTellsSoAndShowsNoDialog)
{
    TestWorkspace ws;
    SubmitWindow sw(ws);
    PdfChooser chooser;
    chooser.file = ws.file(s("log.pdf"));
    sw.w.frame.setPrintChooser(&chooser);
    sw.page->printLogButton()->click();
    EXPECT_EQ(sw.w.prompts.messages(), QStringList{s("info: You do not have a log to print.")});
    EXPECT_EQ(chooser.asked, 0);
    EXPECT_FALSE(ws.exists(s("log.pdf")));

    sw.displays().AddLog(s("one line"));
    chooser.confirm = false;
    sw.page->printLogButton()->click();
    EXPECT_EQ(chooser.asked, 1);
    EXPECT_FALSE(ws.exists(s("log.pdf"))) << "a cancelled dialog prints nothing";
}

TEST(SubmitPage, PrintLogPrintsEveryLineInOrderOnAsManyPagesAsNeeded)
{
    const QString pdftotext = QStandardPaths::findExecutable(s("pdftotext"));
    const QString pdffonts = QStandardPaths::findExecutable(s("pdffonts"));
    ASSERT_FALSE(pdftotext.isEmpty() || pdffonts.isEmpty()) << "poppler-utils is needed (scripts/deps.sh)";
    TestWorkspace ws;
    SubmitWindow sw(ws);
    PdfChooser chooser;
    chooser.file = ws.file(s("log.pdf"));
    sw.w.frame.setPrintChooser(&chooser);
    QFont mono(s("DejaVu Sans Mono"));
    mono.setPointSize(10);
    sw.page->logList()->setFont(mono);
    QStringList lines;
    for (int i = 1; i <= 300; ++i)
        lines << QStringLiteral("Entry %1 -> Uploaded tool.zip to Site %1").arg(i, 3, 10, QLatin1Char('0'));
    for (const QString& line : lines)
        sw.displays().AddLog(line);

    sw.page->printLogButton()->click();
    ASSERT_TRUE(ws.exists(s("log.pdf")));
    EXPECT_TRUE(sw.w.prompts.messages().isEmpty());

    const QString text = run(pdftotext, {s("-layout"), chooser.file, s("-")});
    QStringList pages = text.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    EXPECT_GE(pages.size(), 4) << "300 lines do not fit on one page";
    QStringList printed;
    for (const QString& page : pages)
        for (const QString& line : page.split(u'\n'))
            if (!line.trimmed().isEmpty())
                printed << line.trimmed();
    EXPECT_EQ(printed, lines) << "one printed line per entry, in order";
    EXPECT_TRUE(run(pdffonts, {chooser.file}).contains(s("DejaVuSansMono"))) << "in the log list's font";
}
