#include "ui/TApplicationPages.h"
#include "TestWindow.h"
#include "workflow/MainModel.h"


#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

struct Window : TestWindow {
    using TestWindow::TestWindow;
    TApplicationPages& pages() { return *frame.applicationPages(); }
    ApplicationRecord& record() { return frame.model().application(); }
    QLineEdit* edit(AppField f) { return pages().lineEdit(f); }
    void showPage(QWidget* page) { frame.appInfoTabs()->setCurrentWidget(page); }
    int beeps() const { return int(prompts.shown.count(s("beep"))); }
};

void writeApplication(TestWorkspace& ws, const QByteArray& appinfo)
{
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[APPINFO]\r\n" + appinfo);
}

} // namespace

TEST(ApplicationPages, TypedDollarsAndSpacesAreDroppedWhereTheRulesSay)
{
    TestWorkspace ws;
    writeApplication(ws, "");
    Window w(ws);
    w.showPage(w.pages().general());
    QTest::keyClicks(w.edit(AppField::Price), s("$19.95"));
    QTest::keyClicks(w.edit(AppField::Eval), s("30 days $"));
    w.showPage(w.pages().locations());
    QTest::keyClicks(w.edit(AppField::Dl1_32), s("http://a b/c d.zip"));
    QTest::keyClicks(w.edit(AppField::AppUrl), s("http://x y"));
    w.showPage(w.pages().description());
    QTest::keyClicks(w.edit(AppField::ShortDesc), s("Costs $5 only"));
    QTest::keyClicks(w.pages().longDescriptionEdit(), s("Was $10"));
    QTest::keyClick(w.pages().longDescriptionEdit(), Qt::Key_Return);
    QTest::keyClicks(w.pages().longDescriptionEdit(), s("now $5"));
    QTest::keyClicks(w.pages().notesEdit(), s("Code $ABC"));
    EXPECT_EQ(w.record().field(AppField::Price), s("19.95"));
    EXPECT_EQ(w.record().field(AppField::Eval), s("30 days $"));
    EXPECT_EQ(w.record().field(AppField::Dl1_32), s("http://ab/cd.zip"));
    EXPECT_EQ(w.record().field(AppField::AppUrl), s("http://xy"));
    EXPECT_EQ(w.record().field(AppField::ShortDesc), s("Costs 5 only"));
    EXPECT_EQ(w.record().longDescription(), (QStringList{s("Was 10"), s("now 5")}));
    EXPECT_EQ(w.record().notes(), QStringList{s("Code ABC")});
    EXPECT_TRUE(w.record().changed());
}

TEST(ApplicationPages, DigitsFieldsBeepOnAnythingElseTypedOrPasted)
{
    TestWorkspace ws;
    writeApplication(ws, "");
    Window w(ws);
    w.showPage(w.pages().general());
    QLineEdit* size = w.edit(AppField::Size32);
    QTest::keyClicks(size, s("12a3"));
    EXPECT_EQ(size->text(), s("123"));
    EXPECT_EQ(w.beeps(), 1);
    QTest::keyClick(size, Qt::Key_Backspace);
    EXPECT_EQ(size->text(), s("12"));
    QApplication::clipboard()->setText(s("4x5"));
    size->paste();
    EXPECT_EQ(size->text(), s("12"));
    EXPECT_EQ(w.beeps(), 2);
    QApplication::clipboard()->setText(s("45"));
    size->paste();
    EXPECT_EQ(w.record().field(AppField::Size32), s("1245"));

    QLineEdit* day = w.edit(AppField::Day);
    QTest::keyClicks(day, s("123"));
    EXPECT_EQ(day->text(), s("12")) << "two digits at most";
}

TEST(ApplicationPages, LengthLimitsBindTypingButNotLoadedValues)
{
    TestWorkspace ws;
    writeApplication(ws, "FILENAME=a-very-long-archive-name.zip\r\nSIZE32=12 345\r\nSHORTDESC=" + QByteArray(60, 'd') + "\r\n");
    Window w(ws);
    EXPECT_EQ(w.edit(AppField::FileName)->text(), s("a-very-long-archive-name.zip"));
    EXPECT_EQ(w.edit(AppField::Size32)->text(), s("12 345"));
    EXPECT_EQ(w.edit(AppField::ShortDesc)->text().size(), 60);

    w.edit(AppField::FileName)->clear();
    QTest::keyClicks(w.edit(AppField::FileName), s("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(w.edit(AppField::FileName)->text(), s("abcdefghijklmnop"));
    QTest::keyClicks(w.edit(AppField::Char8), s("abcdefghij"));
    EXPECT_EQ(w.edit(AppField::Char8)->text(), s("abcdefgh"));
}

TEST(ApplicationPages, RulesStillBindEditsAfterALoadedValueBreaksThem)
{
    TestWorkspace ws;
    writeApplication(ws, "SIZE32=12 345\r\nSHORTDESC=" + QByteArray(60, 'd') + "\r\n");
    Window w(ws);
    w.showPage(w.pages().general());
    QLineEdit* size = w.edit(AppField::Size32);
    size->setFocus();
    size->end(false);
    QTest::keyClicks(size, s("ab"));
    EXPECT_EQ(size->text(), s("12 345")) << "letters stay out of a digits field";
    EXPECT_EQ(w.beeps(), 2);
    QApplication::clipboard()->setText(s("x9"));
    size->paste();
    EXPECT_EQ(size->text(), s("12 345"));
    QTest::keyClicks(size, s("6"));
    EXPECT_EQ(size->text(), s("12 3456")) << "digits still go in";
    size->home(false);
    QTest::keyClick(size, Qt::Key_Delete);
    EXPECT_EQ(w.record().field(AppField::Size32), s("2 3456")) << "and deleting works";

    w.showPage(w.pages().description());
    QLineEdit* shortDesc = w.edit(AppField::ShortDesc);
    shortDesc->setFocus();
    shortDesc->end(false);
    QTest::keyClicks(shortDesc, s("more"));
    EXPECT_EQ(shortDesc->text().size(), 60) << "an over-long loaded text grows no further";
    QApplication::clipboard()->setText(s("pasted"));
    shortDesc->paste();
    EXPECT_EQ(shortDesc->text().size(), 60);
    shortDesc->cursorBackward(true, 1);
    QTest::keyClicks(shortDesc, s("e"));
    EXPECT_EQ(shortDesc->text(), QString(59, u'd') + u'e') << "a change that does not lengthen it is taken";
    QTest::keyClick(shortDesc, Qt::Key_Backspace);
    EXPECT_EQ(shortDesc->text().size(), 59);
    EXPECT_EQ(w.record().field(AppField::ShortDesc), shortDesc->text());
}

TEST(ApplicationPages, ListsTakeNoTypingAndShowAStoredValueOutsideTheList)
{
    TestWorkspace ws;
    writeApplication(ws, "PLATFORM=Linux\r\nSTATUS=Shareware\r\n");
    Window w(ws);
    QComboBox* platforms = w.pages().listBox(AppField::Platform);
    EXPECT_EQ(platforms->currentText(), s("Linux"));
    EXPECT_EQ(platforms->count(), 4);
    EXPECT_EQ(platforms->itemText(3), s("Windows 95 and NT"));
    QComboBox* status = w.pages().listBox(AppField::Status);
    EXPECT_EQ(status->currentText(), s("Shareware"));
    status->setFocus();
    QTest::keyClicks(status, s("Free"));
    QTest::keyClick(status, Qt::Key_Down);
    EXPECT_EQ(status->currentText(), s("Shareware"));
    EXPECT_EQ(w.record().field(AppField::Status), s("Shareware"));

    status->setCurrentIndex(3);
    emit status->activated(3);
    EXPECT_EQ(w.record().field(AppField::Status), s("Freeware"));
}

TEST(ApplicationPages, LeavingTheEightCharacterFieldChecksIt)
{
    TestWorkspace ws;
    writeApplication(ws, "");
    Window w(ws);
    w.showPage(w.pages().general());
    QLineEdit* char8 = w.edit(AppField::Char8);
    char8->setFocus();
    QTest::keyClicks(char8, s("My App"));
    w.edit(AppField::Version)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(char8->text(), QString());
    EXPECT_EQ(w.prompts.messages(), QStringList{s("error: You can only have alpha-numeric values in this field.")});
    EXPECT_TRUE(char8->hasFocus()) << "the focus goes back into the field";

    QTest::keyClicks(char8, s("MyApp"));
    w.edit(AppField::Version)->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(char8->text(), s("myapp"));
}

TEST(ApplicationPages, LongDateFollowsLoadsAndLeavingTheDateFields)
{
    TestWorkspace ws;
    writeApplication(ws, "DAY=5\r\nMONTH=09\r\nYEAR=98\r\n");
    Window w(ws);
    EXPECT_EQ(w.pages().longDateLabel()->text(), s("5-Sep-1998"));
    EXPECT_EQ(w.pages().specialRequirementsEdit()->text(), s("None"));
    w.showPage(w.pages().general());
    QLineEdit* year = w.edit(AppField::Year);
    year->setFocus();
    year->clear();
    QTest::keyClicks(year, s("03"));
    EXPECT_EQ(w.pages().longDateLabel()->text(), s("5-Sep-1998")) << "recomputed only when the field is left";
    w.edit(AppField::Version)->setFocus();
    EXPECT_EQ(w.pages().longDateLabel()->text(), s("5-Sep-2003"));
}

TEST(ApplicationPages, BrowseButtonsPutTheChosenPathIntoTheField)
{
    TestWorkspace ws;
    writeApplication(ws, "");
    Window w(ws);
    w.prompts.files = {s("/home/me/tool.zip"), QString()};
    auto* browse = w.frame.findChild<QPushButton*>(s("localpathBrowse"));
    ASSERT_NE(browse, nullptr);
    browse->click();
    EXPECT_EQ(w.record().field(AppField::Path), s("/home/me/tool.zip"));
    EXPECT_EQ(w.prompts.messages(), QStringList{s("openFile: Select your program")});
    w.frame.findChild<QPushButton*>(s("IcoFileEditBrowse"))->click();
    EXPECT_EQ(w.record().field(AppField::IcoPath), QString()) << "a cancelled dialog changes nothing";
    EXPECT_EQ(w.prompts.messages().last(), s("openFile: Select Icon File"));
}

TEST(ApplicationPages, EachPageHasTheThreeButtonsAndNewWorksFromAnyOfThem)
{
    TestWorkspace ws;
    writeApplication(ws, "VERSION=1.0\r\nPLATFORM=Windows NT\r\n");
    Window w(ws);
    for (QWidget* page : {w.pages().general(), w.pages().locations(), w.pages().description()}) {
        EXPECT_NE(page->findChild<QPushButton*>(s("NewAppBtn")), nullptr);
        EXPECT_NE(page->findChild<QPushButton*>(s("DeleteAppBtn")), nullptr);
        EXPECT_NE(page->findChild<QPushButton*>(s("SaveAppBtn")), nullptr);
    }
    w.prompts.names = {s("Second")};
    w.pages().description()->findChild<QPushButton*>(s("NewAppBtn"))->click();
    EXPECT_EQ(w.frame.applicationChooser()->currentText(), s("Second"));
    EXPECT_EQ(w.edit(AppField::Version)->text(), QString());
    EXPECT_EQ(w.pages().listBox(AppField::Platform)->currentText(), s("Windows NT"));
    EXPECT_TRUE(ws.exists(s("data/Second.dat")));

    // Picking the first again loads it.
    w.frame.applicationChooser()->setCurrentIndex(0);
    emit w.frame.applicationChooser()->activated(0);
    EXPECT_EQ(w.edit(AppField::Version)->text(), s("1.0"));
}
