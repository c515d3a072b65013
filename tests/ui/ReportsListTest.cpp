#include "ui/TReportsListFrm.h"

#include "../reports/QtPrinters.h"
#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

struct Dialog {
    TestWorkspace ws;
    FakePrompts prompts;
    std::unique_ptr<TReportsListFrm> frame;

    Dialog()
    {
        ws.write(s("reports/Tool/2026-03-07-09-05-02-417/MainReport.htm"), "x");
        ws.write(s("reports/Tool/2026-03-08-10-00-00-05/MainReport.htm"), "x");
        ws.makeDir(s("reports/Bare"));
    }
    void open()
    {
        frame = std::make_unique<TReportsListFrm>(prompts, ws.file(s("reports/")));
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    }
    QPushButton* button(const char* name) const { return frame->findChild<QPushButton*>(s(name)); }
    QListWidget* list() const { return frame->RepListBox(); }
    QStringList rows() const
    {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    void doubleClick(int row) const
    {
        QListWidgetItem* item = list()->item(row);
        const QPoint at = list()->visualItemRect(item).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
};

} // namespace

TEST(ReportsListDialog, EmptyReportsDirectorySaysNoReportsFoundAndShowsNoDialog)
{
    TestWorkspace ws;
    ws.write(s("reports/loose.htm"), "x");
    FakePrompts prompts;
    TReportsListFrm::showReports(nullptr, prompts, ws.file(s("reports/")));
    EXPECT_EQ(prompts.shown, QStringList{s("info: No Reports Found")});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ReportsListDialog, OpensModallyOnTheFirstEntryAndCancelCloses)
{
    Dialog d;
    QString caption;
    QStringList shownRows;
    bool upEnabled = true;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TReportsListFrm*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        modal = dialog->isModal();
        upEnabled = dialog->findChild<QPushButton*>(s("UpBtn"))->isEnabled();
        for (int i = 0; i < dialog->RepListBox()->count(); ++i)
            shownRows << dialog->RepListBox()->item(i)->text() + (i == dialog->RepListBox()->currentRow() ? s("*") : s(""));
        dialog->findChild<QPushButton*>(s("CancelBtn"))->click();
    });
    TReportsListFrm::showReports(nullptr, d.prompts, d.ws.file(s("reports/")));
    EXPECT_EQ(caption, s("Submission Reports"));
    EXPECT_TRUE(modal);
    EXPECT_FALSE(upEnabled);
    EXPECT_EQ(shownRows, (QStringList{s("Bare*"), s("Tool")}));
    EXPECT_TRUE(d.prompts.shown.isEmpty());
}

TEST(ReportsListDialog, GoUpAndDoubleClickWalkTheTwoLevels)
{
    Dialog d;
    d.open();
    EXPECT_EQ(d.button("GoBtn")->text(), s("GO"));
    EXPECT_EQ(d.button("UpBtn")->text(), s("UP"));
    EXPECT_EQ(d.button("DeleteBtn")->text(), s("Delete"));

    // An application without runs: the message, and the list stays at the applications.
    d.button("GoBtn")->click();
    EXPECT_EQ(d.prompts.shown, QStringList{s("info: No Reports Found")});
    EXPECT_FALSE(d.button("UpBtn")->isEnabled());
    EXPECT_EQ(d.rows(), (QStringList{s("Bare"), s("Tool")}));

    d.doubleClick(1);
    EXPECT_EQ(d.rows(), (QStringList{s("2026-03-07-09-05-02-417"), s("2026-03-08-10-00-00-05")}));
    EXPECT_EQ(d.list()->currentRow(), 0);
    EXPECT_TRUE(d.button("UpBtn")->isEnabled());

    d.button("UpBtn")->click();
    EXPECT_FALSE(d.button("UpBtn")->isEnabled());
    EXPECT_EQ(d.rows(), (QStringList{s("Bare"), s("Tool")}));
    EXPECT_TRUE(d.frame->isVisible());

    // Nothing selected: GO and Delete do nothing.
    d.list()->clearSelection();
    d.prompts.shown.clear();
    d.button("GoBtn")->click();
    d.button("DeleteBtn")->click();
    EXPECT_TRUE(d.prompts.shown.isEmpty());
    EXPECT_EQ(d.rows(), (QStringList{s("Bare"), s("Tool")}));
}

TEST(ReportsListDialog, GoOnARunOpensItsMainReportAndClosesUnlessTheBrowserFails)
{
    Dialog d;
    d.open();
    d.list()->setCurrentRow(1);
    d.button("GoBtn")->click();
    d.list()->setCurrentRow(1);

    d.prompts.openUrlResult = false;
    d.button("GoBtn")->click();
    ASSERT_EQ(d.prompts.messages().size(), 2);
    EXPECT_TRUE(d.prompts.messages()[0].endsWith(s("/reports/Tool/2026-03-08-10-00-00-05/MainReport.htm")));
    EXPECT_EQ(d.prompts.messages()[1], s("error: Couldn't launch default browser"));
    EXPECT_TRUE(d.frame->isVisible());

    d.prompts.openUrlResult = true;
    d.button("GoBtn")->click();
    EXPECT_FALSE(d.frame->isVisible());
    EXPECT_EQ(d.frame->result(), QDialog::Accepted);
}

TEST(ReportsListDialog, DeletingTheOnlyApplicationLeftClosesTheDialog)
{
    Dialog d;
    d.open();
    d.prompts.confirmAnswers = {true, true};
    d.button("DeleteBtn")->click(); // "Bare"
    EXPECT_EQ(d.rows(), QStringList{s("Tool")});
    EXPECT_TRUE(d.frame->isVisible());
    d.button("DeleteBtn")->click();
    EXPECT_FALSE(d.frame->isVisible());
    EXPECT_FALSE(d.ws.exists(s("reports/Tool")));
    EXPECT_EQ(d.prompts.shown.count(s("confirm: Delete all reports for selected site?")), 2);
}
