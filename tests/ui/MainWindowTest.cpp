#include "engines/TEngBuild.h"
#include "reports/TReportsFrm.h"
#include "ui/TAboutFrm.h"
#include "ui/TApplicationPages.h"
#include "ui/TCompanyPage.h"
#include "ui/TErrorFrm.h"
#include "ui/TMainFrm.h"
#include "ui/TSitesPage.h"
#include "ui/TSubmitPage.h"
#include "workflow/MainModel.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"
#include "TestWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }


QStringList captions(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (off)")));
    return texts;
}

QStringList tabTexts(const QTabWidget* tabs)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts << tabs->tabText(i);
    return texts;
}
} // namespace

TEST(MainWindow, StructureCaptionAndFixedSize)
{
    TestWorkspace ws;
    FakePrompts prompts;
    TMainFrm window(ws.path(), &prompts, ws.settingsFile());
    EXPECT_EQ(window.windowTitle(), s("Zentrel 2.13"));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(tabTexts(window.mainTabs()), (QStringList{s("App Info"), s("Sites"), s("Submit"), s("Site Builder")}));
    EXPECT_EQ(tabTexts(window.appInfoTabs()),
              (QStringList{s("General"), s("Locations"), s("Description"), s("Company Information")}));
}

TEST(MainWindow, ShowsCompanyInformationFirstWithTheListsLoaded)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Zulu\r\nacme\r\n");
    ws.write(s("data/Applications.dat"), "Second\r\nFirst\r\n");
    ws.write(s("data/Second.dat"), "[COMPANY]\r\nCONAME=ACME\r\n");
    FakePrompts prompts;
    TMainFrm window(ws.path(), &prompts, ws.settingsFile());
    window.startUp();
    bool shown = false;
    QObject::connect(&window, &TMainFrm::firstShown, [&] { shown = true; });
    window.show();
    EXPECT_TRUE(shown);
    EXPECT_EQ(window.mainTabs()->currentIndex(), 0);
    EXPECT_EQ(window.appInfoTabs()->tabText(window.appInfoTabs()->currentIndex()), s("Company Information"));
    ASSERT_EQ(window.companyChooser()->count(), 2);
    EXPECT_EQ(window.companyChooser()->itemText(0), s("acme"));
    EXPECT_EQ(window.companyChooser()->currentText(), s("acme"));
    EXPECT_EQ(window.applicationChooser()->itemText(0), s("Second"));
    EXPECT_EQ(window.applicationChooser()->currentText(), s("Second"));
    EXPECT_TRUE(window.model().engine() != nullptr);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST(MainWindow, BringToFrontRestoresAMinimizedWindow)
{
    TestWorkspace ws;
    FakePrompts prompts;
    TMainFrm window(ws.path(), &prompts, ws.settingsFile());
    window.startUp();
    window.show();
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    window.bringToFront();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST(MainWindow, SitesNeedACompanyAndAnApplication)
{
    TestWorkspace ws;
    FakePrompts prompts;
    TMainFrm window(ws.path(), &prompts, ws.settingsFile());
    window.startUp();
    window.show();
    window.mainTabs()->setCurrentIndex(1);
    EXPECT_EQ(prompts.messages(), (QStringList{s("error: You have not entered your company info. Please do so now!"),
                                               s("askName: New Company Name")}));
    EXPECT_EQ(window.mainTabs()->currentIndex(), 0);
    EXPECT_EQ(window.appInfoTabs()->tabText(window.appInfoTabs()->currentIndex()), s("Company Information"));

    prompts.shown.clear();
    prompts.names = {s("Acme")};
    window.mainTabs()->setCurrentIndex(1);
    EXPECT_EQ(window.model().company().name(), s("Acme"));
    window.mainTabs()->setCurrentIndex(1);
    EXPECT_EQ(prompts.messages().last(),
              s("error: You have not entered or selected an application yet. Please do so now!"));
    EXPECT_EQ(window.mainTabs()->currentIndex(), 0);
}

TEST(MainWindow, AnUnwritableProgramFolderDoesNotKeepTheWindowOpen)
{
    TestWorkspace ws;
    ws.makeDir(s("settings.dat"));
    FakePrompts prompts;
    TMainFrm window(ws.path(), &prompts, ws.settingsFile());
    window.startUp();
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_EQ(prompts.messages(), QStringList{s("error: Unable to write to ") + ws.file(s("settings.dat"))});
}

TEST(ErrorWindow, ShowsTwoLinesAndTheDefaultInstruction)
{
    TErrorFrm window;
    window.setLines(s("COMPANY NAME DUPLICATE"), s("The company name you entered is already on the list!"), QString());
    EXPECT_EQ(window.windowTitle(), s("ERROR"));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.firstLine(), s("COMPANY NAME DUPLICATE"));
    EXPECT_EQ(window.secondLine(), s("The company name you entered is already on the list!"));
    EXPECT_EQ(window.instruction(), s("Please click OK to continue..."));
    window.setLines(s("a"), s("b"), s("Type another name."));
    EXPECT_EQ(window.instruction(), s("Type another name."));
}

TEST(MainWindow, MenusInTheirOrderWithLaterCommandsDisabled)
{
    TestWorkspace ws;
    TestWindow w(ws);
    const QList<QAction*> bar = w.frame.menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar.at(0)->menu(), w.frame.fileMenu());
    EXPECT_EQ(w.frame.fileMenu()->objectName(), s("filepd"));
    EXPECT_EQ(w.frame.helpMenu()->objectName(), s("Mnu_Help"));
    EXPECT_EQ(captions(w.frame.fileMenu()),
              (QStringList{s("&Settings"), s("&View Reports"), s("&Update Data Files"), s("-"),
                           s("Default &FTP Script"), s("Default &Email Scripts"), s("-"), s("&Import PAD File..."),
                           s("Import PAD File from U&RL..."), s("Ex&port PAD File..."), s("-"), s("E&xit")}));
    EXPECT_EQ(w.frame.command("Mnu_Reports")->text(), s("&View Reports"));
    EXPECT_EQ(captions(w.frame.findChild<QMenu*>(s("DefaultEmailMenu"))), (QStringList{s("&New"), s("&Update")}));
    EXPECT_EQ(captions(w.frame.helpMenu()), (QStringList{s("&Help"), s("-"), s("&Zentrel Home Page"),
                                                         s("Halvern HQ Home &Page"), s("-"), s("&About")}));
    EXPECT_EQ(w.frame.command("AboutItem")->shortcut(), QKeySequence(s("Ctrl+A")));

    w.frame.command("ZentrelHomeItem")->trigger();
    w.frame.command("MakerHomeItem")->trigger();
    EXPECT_EQ(w.prompts.messages(), (QStringList{s("openUrl: ") + MainModel::zentrelHomePage(),
                                                 s("openUrl: ") + MainModel::makerHomePage()}));
}

TEST(MainWindow, AboutBoxOpensWithCtrlAButATextFieldKeepsCtrlAForSelectAll)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    TestWindow w(ws);
    QLineEdit* field = w.frame.applicationPages()->lineEdit(AppField::Version);
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.applicationPages()->general());
    field->setText(s("2.13"));
    field->setFocus();
    field->deselect();
    EXPECT_FALSE(withModal([&] { QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier); }, [](QWidget*) {}));
    EXPECT_EQ(field->selectedText(), s("2.13"));
    QPlainTextEdit* text = w.frame.applicationPages()->longDescriptionEdit();
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.applicationPages()->description());
    text->setPlainText(s("A long\ndescription"));
    text->setFocus();
    EXPECT_FALSE(withModal([&] { QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier); }, [](QWidget*) {}));
    EXPECT_EQ(text->textCursor().selectedText().size(), 18);

    QString title;
    QStringList texts;
    const bool shown = withModal([&] { QTest::keyClick(w.frame.mainTabs()->tabBar(), Qt::Key_A, Qt::ControlModifier); },
                                 [&](QWidget* box) {
                                     title = box->windowTitle();
                                     for (const QLabel* l : box->findChildren<QLabel*>())
                                         texts << l->text();
                                     auto* about = qobject_cast<TAboutFrm*>(box);
                                     ASSERT_NE(about, nullptr);
                                     EXPECT_EQ(about->checkerButton()->text(), s("&D"));
                                     about->homePageButton()->click();
                                     about->closeButton()->click();
                                 });
    EXPECT_TRUE(shown);
    EXPECT_EQ(title, s("About Zentrel"));
    EXPECT_TRUE(texts.contains(s("Zentrel(tm)")));
    EXPECT_TRUE(texts.contains(s("Version 2.13")));
    EXPECT_EQ(w.prompts.messages(), QStringList{s("openUrl: ") + MainModel::makerHomePage()});
}

TEST(MainWindow, F1OpensTheHelpPageAtTheFocusedControlsTopic)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    TestWindow w(ws);
    const auto f1 = [&](QWidget* focus) {
        w.prompts.shown.clear();
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_F1);
        return w.prompts.messages().join(u'|');
    };
    QWidget* version = w.frame.applicationPages()->lineEdit(AppField::Version);
    EXPECT_EQ(f1(version), s("error: Cannot open file ") + ws.file(s("Zentrel.htm")));

    ws.write(s("Zentrel.htm"), "<html></html>");
    const QString page = s("openUrl: ") + QUrl::fromLocalFile(ws.file(s("Zentrel.htm"))).toString();
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.applicationPages()->general());
    EXPECT_EQ(f1(version), page + s("#1001"));
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.applicationPages()->description());
    EXPECT_EQ(f1(w.frame.applicationPages()->longDescriptionEdit()), page + s("#1003"));
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.companyPage());
    EXPECT_EQ(f1(w.frame.companyChooser()), page + s("#1000"));
    w.frame.mainTabs()->setCurrentWidget(w.frame.sitesPage());
    EXPECT_EQ(f1(w.frame.sitesPage()->grid()), page + s("#1004"));
    w.frame.mainTabs()->setCurrentWidget(w.frame.submitPage());
    EXPECT_EQ(f1(w.frame.submitPage()->logList()), page + s("#1005"));
    EXPECT_EQ(f1(w.frame.submitPage()->exitButton()), page) << "no topic: the page's top";
    w.prompts.shown.clear();
    w.frame.command("HelpItem")->trigger();
    EXPECT_EQ(w.prompts.messages(), QStringList{page});

    // While a run goes, F1 is locked with the Help menu.
    w.frame.model().displays().BeginPosting();
    EXPECT_EQ(f1(w.frame.submitPage()->logList()), QString());
    w.frame.model().displays().EndPosting();
    EXPECT_EQ(f1(w.frame.submitPage()->logList()), page + s("#1005"));
}

TEST(MainWindow, ExitAsksTheCloseQuestionsAndCancelKeepsTheWindow)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    ws.write(s("sites/Sites.dat"), "Alpha\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\n");
    TestWindow w(ws);
    EXPECT_TRUE(w.prompts.shown.isEmpty());
    w.frame.model().engine()->LoadSite(s("Alpha"));
    w.frame.model().engine()->setModified(true);
    w.frame.mainTabs()->setCurrentWidget(w.frame.submitPage());
    w.prompts.shown.clear();
    w.prompts.saveAnswers = {UserPrompts::Answer::Cancel};
    w.frame.submitPage()->exitButton()->click();
    EXPECT_TRUE(w.frame.isVisible());
    EXPECT_EQ(w.prompts.messages(), QStringList{s("askSave: Would you like to save Added/Changed Engine Info?")});
    EXPECT_TRUE(ws.read(s("settings.dat")).contains("LastAppLoaded=Tool")) << "written although the window stays";

    w.prompts.saveAnswers = {UserPrompts::Answer::No};
    w.frame.command("ExitItem")->trigger();
    EXPECT_FALSE(w.frame.isVisible());
}

TEST(MainWindow, AfterADataUpdateTheWindowClosesAskingNothing)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    TestWindow w(ws);
    w.frame.model().company().setField(CompanyField::Phone, s("555"));
    w.frame.model().restartAfterUpdate();
    for (int i = 0; i < 250 && w.frame.isVisible(); ++i)
        QTest::qWait(20);
    EXPECT_FALSE(w.frame.isVisible());
    EXPECT_EQ(w.prompts.messages(), QStringList{s("info: You must now restart Zentrel!")});
    EXPECT_FALSE(ws.exists(s("settings.dat")));
}

TEST(MainWindow, ViewReportsListsTheWorkspacesReports)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    TestWindow w(ws);
    w.frame.mainTabs()->setCurrentWidget(w.frame.submitPage());
    w.prompts.shown.clear();
    w.frame.submitPage()->viewReportsButton()->click();
    EXPECT_EQ(w.prompts.messages(), QStringList{s("info: No Reports Found")});

    ws.makeDir(s("reports/Tool/2026-01-02-03-04-05-006"));
    QString title;
    EXPECT_TRUE(withModal([&] { w.frame.command("Mnu_Reports")->trigger(); },
                          [&](QWidget* dialog) { title = dialog->windowTitle(); }));
    EXPECT_EQ(title, s("Submission Reports"));
}

TEST(MainWindow, TheReportWriterWritesIntoTheWorkspaceFromTheRunLog)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    TestWindow w(ws);
    MainModel& model = w.frame.model();
    model.displays().AddLog(s("Uploaded tool.zip to Alpha"));
    model.reports().StartReport();
    model.reports().WriteMainReport();
    EXPECT_TRUE(model.reports().RunDir().startsWith(ws.file(s("reports/Tool/"))));
    QFile log(model.reports().LogReportFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Uploaded tool.zip to Alpha"));
}

TEST(MainWindow, TheShippedHelpPageHoldsEveryTopic)
{
    QFile shipped(QStringLiteral(ZENTREL_SOURCE_DIR "/resources/Zentrel.htm"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray page = shipped.readAll();
    for (int topic = 1000; topic <= 1009; ++topic)
        EXPECT_TRUE(page.contains(QByteArray("id=\"" + QByteArray::number(topic) + "\""))) << topic;
}

TEST(MainWindow, AltDClosesTheAboutBoxAndThenOpensTheEngineChecker)
{
    TestWorkspace ws;
    TestWindow w(ws);
    // Each modal window in turn: its title, and whether the About box was still there.
    QStringList seen;
    QTimer watch;
    QPointer<QWidget> last;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last)
            return;
        last = modal;
        const bool aboutOpen = w.frame.findChild<TAboutFrm*>() != nullptr;
        seen << modal->windowTitle() + (aboutOpen && !qobject_cast<TAboutFrm*>(modal) ? s(" over About") : QString());
        if (qobject_cast<TAboutFrm*>(modal)) {
            QApplication::setActiveWindow(modal);
            QTest::keyClick(modal, Qt::Key_D, Qt::AltModifier);
            // The button shows its press before it clicks.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !modal->isVisible(); }, 2000)) << "Alt+D closes the box";
        }
        // A key that did nothing must not leave the test waiting.
        if (modal->isVisible())
            modal->close();
    });
    watch.start(0);
    w.frame.command("AboutItem")->trigger();
    watch.stop();
    EXPECT_EQ(seen, (QStringList{s("About Zentrel"), s("Engine Checker")}));
}
