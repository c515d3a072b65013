#include "ui/TErrorFrm.h"
#include "ui/TMainFrm.h"
#include "workflow/MainModel.h"

#include "../support/FakePrompts.h"
#include "../support/TestWorkspace.h"

#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }

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
