#include "records/CompanyRecord.h"
#include "ui/TCompanyPage.h"
#include "TestWindow.h"
#include "ui/TVariablesFrm.h"


#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

struct Window : TestWindow {
    using TestWindow::TestWindow;
    TVariablesFrm& picker() { return *frame.variablePicker(); }
    void select(int row) { picker().list()->setCurrentItem(picker().list()->topLevelItem(row)); }
};

} // namespace

TEST(VariablePicker, ListsTheSixtyOneTokensAndOpensOnTheFirst)
{
    TestWorkspace ws;
    Window w(ws);
    TVariablesFrm& picker = w.picker();
    EXPECT_EQ(picker.windowTitle(), s("VodaZazerer Variables"));
    EXPECT_TRUE(picker.windowFlags() & Qt::Tool);
    QTreeWidget* list = picker.list();
    ASSERT_EQ(list->topLevelItemCount(), 61);
    EXPECT_EQ(list->topLevelItem(0)->text(0), s("%COMPNAME%"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), s("Company Name"));
    EXPECT_EQ(list->topLevelItem(60)->text(0), s("%FBBSDESC%"));
    w.select(5);
    picker.open();
    EXPECT_TRUE(picker.isVisible());
    EXPECT_FALSE(picker.isModal());
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_EQ(picker.focusWidget(), list);
    picker.findChild<QPushButton*>(s("CloseBtn"))->click();
    EXPECT_FALSE(picker.isVisible());
}

TEST(VariablePicker, InsertsAtTheCaretOfTheFocusedFieldReplacingTheSelection)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    Window w(ws);
    QLineEdit* field = w.frame.companyPage()->fieldEdit(CompanyField::Contact);
    w.frame.appInfoTabs()->setCurrentWidget(w.frame.companyPage());
    field->setFocus();
    field->setText(s("Hello World"));
    field->setSelection(6, 5);
    w.picker().open();
    w.select(13);
    w.picker().findChild<QPushButton*>(s("UseSelectedBtn"))->click();
    EXPECT_EQ(field->text(), s("Hello %APPNAME%"));
    EXPECT_TRUE(field->hasFocus()) << "the field gets the focus back";

    field->setCursorPosition(0);
    w.select(0);
    QTest::keyClick(w.picker().list(), Qt::Key_Return);
    EXPECT_EQ(field->text(), s("%COMPNAME%Hello %APPNAME%"));

    w.select(1);
    emit w.picker().list()->itemDoubleClicked(w.picker().list()->topLevelItem(1), 0);
    EXPECT_EQ(field->text(), s("%COMPNAME%%COMPURL%Hello %APPNAME%"));
}

TEST(VariablePicker, InsertsIntoMultiLineFieldsAndNothingIntoOtherControls)
{
    TestWorkspace ws;
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    Window w(ws);
    auto* notes = w.frame.findChild<QPlainTextEdit*>(s("NotesToReviewer"));
    ASSERT_NE(notes, nullptr);
    w.frame.appInfoTabs()->setCurrentWidget(notes->parentWidget());
    notes->setFocus();
    w.select(16);
    EXPECT_TRUE(w.picker().useSelected());
    EXPECT_EQ(notes->toPlainText(), s("%APPVERSION%"));

    auto* platforms = w.frame.findChild<QComboBox*>(s("platforms"));
    w.frame.appInfoTabs()->setCurrentIndex(0);
    platforms->setFocus();
    EXPECT_FALSE(w.picker().useSelected());
    EXPECT_EQ(platforms->currentText(), QString());
}

TEST(VariablePicker, VariableListEntryOpensThePickerForATemplateField)
{
    TestWorkspace ws;
    Window w(ws);
    QLineEdit field(&w.frame);
    TVariablesFrm::attachTo(&field, &w.picker());
    EXPECT_EQ(field.contextMenuPolicy(), Qt::CustomContextMenu);
}
