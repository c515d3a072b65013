#include "engines/TEngBuild.h"
#include "submit/ApplicationSiteList.h"
#include "TestWindow.h"
#include "ui/TSitesPage.h"
#include "ui/TSubmissionVerifyFrm.h"
#include "workflow/MainModel.h"


#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPalette>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

void writeWorkspace(TestWorkspace& ws)
{
    ws.write(s("sites/Sites.dat"), "Alpha\r\nBeta\r\nFreebies\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_CAT1=1\r\nUSE_HTTP_POST=1\r\nBYTE_FORMAT=2\r\n");
    ws.write(s("cat/Alpha Cat1.cat"), "1\">Games\r\n2\">Utilities\r\n");
    ws.write(s("sites/Beta.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
    ws.write(s("sites/Freebies.ini"), "[SETTINGS]\r\nSITE_TYPE=1\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nPLATFORM=Windows 95\r\nSTATUS=Shareware\r\n");
    ws.write(s("data/Tool_SITES.dat"), "Alpha\xb1New\xb1Strategy\xb1N/A\xb1Unknown\xb1Y\r\n");
}

struct Window : TestWindow {
    explicit Window(TestWorkspace& w) : TestWindow(w) { frame.mainTabs()->setCurrentWidget(frame.sitesPage()); }
    TSitesPage& page() { return *frame.sitesPage(); }
    ApplicationSiteList& list() { return frame.model().siteList(); }
    void select(int row) { page().grid()->selectRow(row); }
};

} // namespace

TEST(SitesPage, GridAndCountsShowTheList)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    QTableView* grid = w.page().grid();
    ASSERT_EQ(grid->model()->rowCount(), 3);
    QStringList captions;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        captions << grid->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(captions, (QStringList{s("Site"), s("Type"), s("Submit"), s("Category1"), s("Category2"), s("H"), s("F"),
                                     s("Z"), s("E"), s("Last Post"), s("P")}));
    EXPECT_EQ(w.page().availableLabel()->text(), s("3"));
    EXPECT_EQ(w.page().totalLabel()->text(), s("2"));
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->currentIndex().row(), 0);
}

TEST(SitesPage, DetailBoxShowsTheRowAndAValueOutsideTheLabelsAsTheFirst)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    QComboBox* cat1 = w.page().categoryCombo(1);
    QComboBox* cat2 = w.page().categoryCombo(2);
    EXPECT_TRUE(w.page().postCheck()->isChecked());
    EXPECT_TRUE(w.page().newRadio()->isChecked());
    EXPECT_TRUE(cat1->isEnabled());
    EXPECT_EQ(cat1->count(), 2);
    EXPECT_EQ(cat1->currentText(), s("Games")) << "Strategy is no label: the first shows";
    EXPECT_EQ(w.list().rows().at(0).category1, s("Strategy")) << "the row keeps its value";
    EXPECT_FALSE(cat2->isEnabled());
    EXPECT_EQ(cat2->palette().color(QPalette::Button), QColor(192, 192, 192));
    EXPECT_EQ(cat1->palette().color(QPalette::Button), QColor(Qt::white));

    cat1->setCurrentIndex(1);
    emit cat1->activated(1);
    EXPECT_EQ(w.list().rows().at(0).category1, s("Utilities"));
    EXPECT_TRUE(w.list().changed());

    w.select(1);
    EXPECT_EQ(w.list().currentRow(), 1);
    EXPECT_FALSE(cat1->isEnabled());
    EXPECT_EQ(cat1->count(), 0);
}

TEST(SitesPage, CheckBoxRefusalIsUndoneAndRadiosSetSubmit)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.select(2); // Freebies: freeware only
    QCheckBox* post = w.page().postCheck();
    EXPECT_FALSE(post->isChecked());
    post->click();
    EXPECT_FALSE(post->isChecked());
    EXPECT_EQ(w.prompts.messages().size(), 1);
    EXPECT_EQ(w.list().rows().at(2).post, s("N"));

    w.select(1);
    w.page().updateRadio()->click();
    EXPECT_EQ(w.list().rows().at(1).submit, s("Update"));
    EXPECT_FALSE(w.list().changed()) << "the radio buttons set no changed mark";
    post->click();
    EXPECT_EQ(w.list().rows().at(1).post, s("N"));
    EXPECT_EQ(w.page().totalLabel()->text(), s("1"));
    EXPECT_TRUE(w.list().changed());
}

TEST(SitesPage, ContextMenuCaptionsFollowTheSelectedRow)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    QStringList texts;
    for (QAction* a : w.page().contextMenu()->actions())
        texts << a->text();
    EXPECT_EQ(texts, (QStringList{s("Set Post To NO"), s("Set as Post UPDATE"), s("Set Last Post Date To NOW"), QString(),
                                  s("View in Site Builder"), s("Go To Sites URL")}));
    w.page().contextMenu()->actions().at(0)->trigger();
    w.page().contextMenu()->actions().at(1)->trigger();
    w.page().contextMenu()->actions().at(2)->trigger();
    texts.clear();
    for (QAction* a : w.page().contextMenu()->actions())
        texts << a->text();
    EXPECT_EQ(texts.mid(0, 3), (QStringList{s("Set Post To YES"), s("Set as Post NEW"), s("Set Last Post Date To Unknown")}));
    EXPECT_EQ(w.list().rows().at(0).post, s("N"));
    EXPECT_EQ(w.list().rows().at(0).submit, s("Update"));
}

TEST(SitesPage, EnterViewsTheSiteInTheSiteBuilder)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.page().grid()->setFocus();
    QTest::keyClick(w.page().grid(), Qt::Key_Return);
    EXPECT_EQ(w.frame.mainTabs()->currentWidget(), w.frame.siteBuilderTab());
    EXPECT_EQ(w.frame.model().engine()->siteName(), s("Alpha"));
    EXPECT_EQ(w.frame.model().engine()->site().byteFormat, 2);
}

TEST(SitesPage, GridLinesSwitchFollowsTheSettingAndWritesIt)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("settings.dat"), "[SETTINGS]\r\nUseGridLines=1\r\n");
    Window w(ws);
    EXPECT_TRUE(w.page().grid()->showGrid());
    EXPECT_TRUE(w.page().gridLinesCheck()->isChecked());
    w.page().gridLinesCheck()->click();
    EXPECT_FALSE(w.page().grid()->showGrid());
    EXPECT_EQ(ws.read(s("settings.dat")), QByteArray("[SETTINGS]\r\nUseGridLines=0\r\n"));
}

TEST(SitesPage, AllButtonsAskAndSaveChangesWritesTheFile)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.prompts.confirmAnswers = {true};
    w.frame.findChild<QPushButton*>(s("AllUpdateBtn"))->click();
    EXPECT_TRUE(w.page().updateRadio()->isChecked());
    w.frame.findChild<QPushButton*>(s("SaveChangesBtn"))->click();
    EXPECT_TRUE(ws.read(s("data/Tool_SITES.dat")).startsWith("Alpha\xb1Update\xb1"));
}

TEST(SubmissionVerifyForm, ShowsTheCountsAndWhoSubmits)
{
    SiteCounts counts;
    counts.total = 5;
    counts.fresh = 3;
    counts.update = 2;
    counts.http = 4;
    counts.ftp = 2;
    counts.zip = 1;
    counts.email = 3;
    TSubmissionVerifyFrm form(s("Tool"), s("Acme"), counts);
    EXPECT_EQ(form.windowTitle(), s("Submission Verification:"));
    EXPECT_EQ(form.shown("AppLbl"), s("Tool"));
    EXPECT_EQ(form.shown("CompLbl"), s("Acme"));
    EXPECT_EQ(form.shown("TotalLbl"), s("5"));
    EXPECT_EQ(form.shown("NewLbl"), s("3"));
    EXPECT_EQ(form.shown("UpdateLbl"), s("2"));
    EXPECT_EQ(form.shown("HTTPLbl"), s("4"));
    EXPECT_EQ(form.shown("FTPLbl"), s("2"));
    EXPECT_EQ(form.shown("FTPwZIPSlbl"), s("1"));
    EXPECT_EQ(form.shown("EmailLbl"), s("3"));
    form.show();
    form.findChild<QPushButton*>(s("CancelBtn"))->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.findChild<QPushButton*>(s("CancelBtn"))->text(), s("Cancel "));
}
