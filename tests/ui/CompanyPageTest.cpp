#include "ui/InputRules.h"
#include "ui/TCompanyPage.h"
#include "TestWindow.h"
#include "workflow/MainModel.h"


#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

struct Window : TestWindow {
    using TestWindow::TestWindow;
    QLineEdit* edit(CompanyField f) { return frame.companyPage()->fieldEdit(f); }
    QPushButton* button(const char* name) { return frame.findChild<QPushButton*>(QLatin1String(name)); }
};

} // namespace

TEST(CompanyPage, TypedSpacesAreDroppedOnlyInTheHomePageAndCompanyMail)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    Window w(ws);
    QTest::keyClicks(w.edit(CompanyField::HomePage), s("http://a b.example"));
    QTest::keyClicks(w.edit(CompanyField::CompanyEmail), s("sales @acme"));
    QTest::keyClicks(w.edit(CompanyField::Contact), s("Ann Smith"));
    EXPECT_EQ(w.edit(CompanyField::HomePage)->text(), s("http://ab.example"));
    EXPECT_EQ(w.edit(CompanyField::CompanyEmail)->text(), s("sales@acme"));
    EXPECT_EQ(w.frame.model().company().field(CompanyField::Contact), s("Ann Smith"));
    EXPECT_EQ(w.frame.model().company().field(CompanyField::HomePage), s("http://ab.example"));
    EXPECT_TRUE(w.frame.model().company().changed());

    w.button("SaveCompanyBtn")->click();
    EXPECT_FALSE(w.frame.model().company().changed());
    EXPECT_TRUE(ws.read(s("companies/Acme.dat")).contains("CURL=http://ab.example\r\nCCMAIL=sales@acme\r\n"));
}

TEST(CompanyPage, TheChooserTakesNoKeysAndAPickLoadsTheCompany)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\nBeta\r\n");
    ws.write(s("companies/Beta.dat"), "[COMPANY]\r\nCONAME=Beta\r\nCONTACT=Bea\r\n");
    Window w(ws);
    QComboBox* chooser = w.frame.companyChooser();
    EXPECT_EQ(chooser->currentText(), s("Acme"));
    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClicks(chooser, s("B"));
    EXPECT_EQ(chooser->currentText(), s("Acme"));

    chooser->setCurrentIndex(1);
    emit chooser->activated(1);
    EXPECT_EQ(w.frame.model().company().name(), s("Beta"));
    EXPECT_EQ(w.edit(CompanyField::Contact)->text(), s("Bea"));
}

TEST(CompanyPage, NewCompanyButtonShowsTheNewCompanyInTheChooser)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Zeta\r\n");
    ws.write(s("companies/Zeta.dat"), "[COMPANY]\r\nCONAME=Zeta\r\nCONTACT=Zed\r\n");
    Window w(ws);
    w.prompts.names = {s("Acme")};
    w.button("NewCompanyBtn")->click();
    QComboBox* chooser = w.frame.companyChooser();
    ASSERT_EQ(chooser->count(), 2);
    EXPECT_EQ(chooser->itemText(0), s("Acme"));
    EXPECT_EQ(chooser->currentText(), s("Acme"));
    EXPECT_EQ(w.edit(CompanyField::Contact)->text(), QString());
    EXPECT_TRUE(ws.exists(s("companies/Acme.dat")));
}

TEST(CompanyPage, SaveErrorsAreShownAndTheWindowStaysUsable)
{
    TestWorkspace ws;
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    Window w(ws);
    ws.makeDir(s("companies/Acme.dat"));
    w.button("SaveCompanyBtn")->click();
    EXPECT_EQ(w.prompts.messages(), QStringList{s("error: Unable to write to ") + ws.file(s("companies/Acme.dat"))});
}

TEST(CompanyPage, ShowHintsOffSilencesEveryHintFromStartUp)
{
    TestWorkspace ws;
    ws.write(s("settings.dat"), "[SETTINGS]\r\nShowHints=0\r\n");
    {
        Window w(ws);
        EXPECT_FALSE(Hints::enabled());
        QLineEdit* field = w.edit(CompanyField::Contact);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(field, &help);
        EXPECT_FALSE(QToolTip::isVisible());
    }
    ws.write(s("settings.dat"), "[SETTINGS]\r\nShowHints=1\r\n");
    Window on(ws);
    EXPECT_TRUE(Hints::enabled());
    QLineEdit* field = on.edit(CompanyField::Contact);
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), field->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(field, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    QToolTip::hideText();
}

TEST(CompanyPage, LabelsOfThePage)
{
    TestWorkspace ws;
    Window w(ws);
    QStringList labels;
    for (const QLabel* label : w.frame.companyPage()->findChildren<QLabel*>())
        labels << label->text();
    for (const char* expected : {"Company Name:", "Contact Name:", "Contact Title:", "Contact E-Mail:",
                                 "Contact Phone:", "Contact Fax:", "Contact Address:", "Contact City:",
                                 "Contact State/Province:", "Postal (Zip):", "Contact Country:",
                                 "Company Home Page:", "Company E-Mail:"})
        EXPECT_TRUE(labels.contains(s(expected))) << expected;
    for (const char* button : {"NewCompanyBtn", "DeleteCompanyBtn", "SaveCompanyBtn", "SaveAppBtn", "BHSBtn"})
        EXPECT_NE(w.button(button), nullptr) << button;
}
