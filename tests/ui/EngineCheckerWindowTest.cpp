#include "engines/TEngBuild.h"
#include "TestWindow.h"
#include "ui/TEngineCheckFrm.h"
#include "ui/TMassChangeFrm.h"
#include "workflow/MainModel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// Prompts that also let a test look at the window while a message shows.
struct WatchingPrompts : FakePrompts {
    std::function<void()> whileShown;
    void info(const QString& text) override
    {
        FakePrompts::info(text);
        if (whileShown)
            whileShown();
    }
    void error(const QString& text) override
    {
        FakePrompts::error(text);
        if (whileShown)
            whileShown();
    }
};


struct Checker {
    TestWorkspace ws;
    std::unique_ptr<TestWindow> window;
    WatchingPrompts prompts;
    std::unique_ptr<TEngineCheckFrm> dialog;

    Checker()
    {
        ws.write(s("sites/Sites.dat"), "Alpha\r\nBeta\r\n");
        window = std::make_unique<TestWindow>(ws);
        dialog = std::make_unique<TEngineCheckFrm>(engine(), prompts, &window->frame);
        dialog->show();
    }
    TEngBuild& engine() { return *window->frame.model().engine(); }
    QString path(const char* site, SiteScript kind) { return engine().scriptFile(s(site), kind); }
    void script(const char* site, SiteScript kind, const QByteArray& bytes)
    {
        ws.write(QStringLiteral("sites/%1%2.scp").arg(s(site), SiteDefinition::scriptSuffix(kind)), bytes);
    }
    QByteArray read(const char* site, SiteScript kind)
    {
        return ws.read(QStringLiteral("sites/%1%2.scp").arg(s(site), SiteDefinition::scriptSuffix(kind)));
    }
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < dialog->errorList()->count(); ++i)
            texts << dialog->errorList()->item(i)->text();
        return texts;
    }
    // Whether the window is locked as a check locks it.
    bool locked() const
    {
        return dialog->panel()->isVisible() && !dialog->beginButton()->isEnabled() &&
               !dialog->loadButton()->isEnabled() && !dialog->exitButton()->isEnabled() &&
               !dialog->errorList()->isEnabled();
    }
    bool normal() const
    {
        return !dialog->panel()->isVisible() && dialog->beginButton()->isEnabled() &&
               dialog->exitButton()->isEnabled() && dialog->errorList()->isEnabled() && prompts.busyDepth == 0;
    }
};

} // namespace

TEST(EngineCheckerWindow, OpensWithTheListLockedUntilACheckHasRun)
{
    Checker c;
    TEngineCheckFrm& d = *c.dialog;
    EXPECT_EQ(d.windowTitle(), s("Engine Checker"));
    EXPECT_TRUE(d.isModal());
    EXPECT_EQ(d.editor()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(d.errorList()->isEnabled());
    EXPECT_TRUE(d.fileNameField()->isReadOnly());
    EXPECT_FALSE(d.panel()->isVisible());
    EXPECT_EQ(d.panel()->text(), s("Checking All Engines. Please Wait..."));
    EXPECT_EQ((QStringList{d.beginButton()->text(), d.loadButton()->text(), d.saveButton()->text(),
                           d.massChangeButton()->text(), d.exitButton()->text()}),
              (QStringList{s("Begin Checking"), s("Load Selected Script"), s("Save Script"), s("Mass Change"),
                           s("Exit")}));
    d.saveButton()->click();
    EXPECT_TRUE(c.prompts.shown.isEmpty()) << "nothing loaded, nothing saved";
    d.exitButton()->click();
    EXPECT_FALSE(d.isVisible());
}

TEST(EngineCheckerWindow, ACleanCheckSaysSoWhileLockedThenLeavesAnEnabledEmptyList)
{
    Checker c;
    c.script("Alpha", SiteScript::HttpNew, "a=%APPNAME%\r\n");
    bool lockedWhileShown = false;
    c.prompts.whileShown = [&] { lockedWhileShown = c.locked(); };
    c.dialog->beginButton()->click();
    EXPECT_EQ(c.prompts.messages(), QStringList{s("info: No Errors found! :)")});
    EXPECT_TRUE(lockedWhileShown);
    EXPECT_TRUE(c.normal());
    EXPECT_EQ(c.dialog->errorList()->count(), 0);
    EXPECT_FALSE(c.dialog->loadButton()->isEnabled());
}

TEST(EngineCheckerWindow, FoundScriptsAreListedLoadedCorrectedAndSaved)
{
    Checker c;
    c.script("Alpha", SiteScript::EmailNew, "Hello %CONTNAM%,\r\nbye\r\n");
    c.script("Beta", SiteScript::HttpNew, "x=100% sure\r\ny=5%\xA0\r\n");
    c.dialog->beginButton()->click();
    const QChar sep(0xB1);
    EXPECT_EQ(c.rows(), (QStringList{s("Alpha") + sep + s("Error! -> [CONTNAM]") + sep + c.path("Alpha", SiteScript::EmailNew),
                                     s("Beta") + sep + s("Error! -> [ sure\xB6y=5]") + sep + c.path("Beta", SiteScript::HttpNew)}))
        << "a name running over a line break still takes one row";
    EXPECT_TRUE(c.normal());
    EXPECT_TRUE(c.dialog->loadButton()->isEnabled());
    EXPECT_EQ(c.dialog->errorList()->currentRow(), 0);
    EXPECT_EQ(c.dialog->fileNameField()->text(), c.path("Alpha", SiteScript::EmailNew));
    EXPECT_EQ(c.dialog->editor()->toPlainText(), s("Hello %CONTNAM%,\nbye"));
    EXPECT_TRUE(c.prompts.shown.isEmpty());

    // A double click loads another row.
    QListWidget* list = c.dialog->errorList();
    list->setCurrentRow(1);
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_EQ(c.dialog->fileNameField()->text(), c.path("Beta", SiteScript::HttpNew));
    EXPECT_EQ(c.dialog->editor()->toPlainText(), s("x=100% sure\ny=5% "));
    c.dialog->saveButton()->click();
    EXPECT_EQ(c.read("Beta", SiteScript::HttpNew), QByteArray("x=100% sure\r\ny=5%\xA0\r\n")) << "saved as it was";

    list->setCurrentRow(0);
    c.dialog->loadButton()->click();
    c.dialog->editor()->setFocus();
    c.dialog->editor()->selectAll();
    QTest::keyClicks(c.dialog->editor(), s("Hello %CONTNAME%,"));
    QTest::keyClick(c.dialog->editor(), Qt::Key_Return);
    QTest::keyClicks(c.dialog->editor(), s("bye"));
    c.dialog->saveButton()->click();
    EXPECT_EQ(c.read("Alpha", SiteScript::EmailNew), QByteArray("Hello %CONTNAME%,\r\nbye\r\n"));
    EXPECT_EQ(c.rows().size(), 2) << "saving checks nothing again";
}

TEST(EngineCheckerWindow, MassChangeReplacesInEveryScriptThenChecksAgain)
{
    Checker c;
    c.script("Alpha", SiteScript::HttpNew, "to=%CONTEMAIL%\r\n");
    c.script("Beta", SiteScript::EmailUpdate, "From %CONTEMAIL% about %APPNAME%\r\n");
    c.script("Beta", SiteScript::FtpNew, "%BAD%\r\n");
    c.dialog->beginButton()->click();
    ASSERT_EQ(c.rows().size(), 1);
    c.prompts.shown.clear();

    bool shown = withModal([&] { c.dialog->massChangeButton()->click(); }, [&](QWidget* modal) {
        auto* change = qobject_cast<TMassChangeFrm*>(modal);
        ASSERT_NE(change, nullptr);
        change->fromBox()->setCurrentText(s("%CONTEMAIL%"));
        change->toBox()->setCurrentIndex(change->toBox()->findText(s("%COMPMAIL%")));
        change->replaceButton()->click();
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(c.read("Alpha", SiteScript::HttpNew), QByteArray("to=%COMPMAIL%\r\n"));
    EXPECT_EQ(c.read("Beta", SiteScript::EmailUpdate), QByteArray("From %COMPMAIL% about %APPNAME%\r\n"));
    EXPECT_EQ(c.prompts.messages(), QStringList{s("info: Mass Change Done!")});
    EXPECT_EQ(c.rows().size(), 1) << "checked again";
    EXPECT_EQ(c.dialog->fileNameField()->text(), c.path("Beta", SiteScript::FtpNew));
    EXPECT_TRUE(c.normal());
}

TEST(EngineCheckerWindow, MassChangeDialogOffersTheVariablesAndRefusesPairsWorthNothing)
{
    FakePrompts prompts;
    {
        TMassChangeFrm d(prompts);
        EXPECT_EQ(d.windowTitle(), s("Mass Change In All Scripts"));
        ASSERT_EQ(d.fromBox()->count(), 61);
        ASSERT_EQ(d.toBox()->count(), 61);
        EXPECT_EQ(d.fromBox()->itemText(60), s("%FBBSDESC%"));
        EXPECT_EQ(d.fromText(), s("%COMPNAME%"));
        EXPECT_EQ(d.toText(), s("%COMPNAME%"));
        EXPECT_TRUE(d.fromBox()->isEditable());
        EXPECT_FALSE(d.toBox()->isEditable());
        // The same text on both sides: the dialog closes and nothing is accepted.
        d.show();
        d.replaceButton()->click();
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_FALSE(d.replaceButton()->isEnabled());
        EXPECT_FALSE(d.cancelButton()->isEnabled());
    }
    {
        TMassChangeFrm d(prompts);
        d.show();
        d.fromBox()->setCurrentText(s("NAME%"));
        d.toBox()->setCurrentIndex(d.toBox()->findText(s("%APPNAME%")));
        d.replaceButton()->click();
        EXPECT_TRUE(d.isVisible()) << "the user may choose again";
        ASSERT_EQ(prompts.messages().size(), 1);
        EXPECT_TRUE(prompts.messages().first().startsWith(s("error: \"%APPNAME%\" holds \"NAME%\" itself")));
        d.fromBox()->setCurrentText(s("%APPNAM%"));
        d.replaceButton()->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
}

TEST(EngineCheckerWindow, AFileThatCannotBeReadLeavesTheWindowUsable)
{
    Checker c;
    c.script("Alpha", SiteScript::HttpNew, "a=%BAD%\r\n");
    QDir().mkpath(c.path("Beta", SiteScript::HttpNew));
    bool lockedWhileShown = false;
    c.prompts.whileShown = [&] { lockedWhileShown = c.locked(); };
    c.dialog->beginButton()->click();
    EXPECT_EQ(c.prompts.messages(), QStringList{s("error: Cannot open file ") + c.path("Beta", SiteScript::HttpNew)});
    EXPECT_TRUE(lockedWhileShown);
    EXPECT_TRUE(c.normal());
    EXPECT_EQ(c.rows().size(), 1) << "rows found so far stay";
    EXPECT_TRUE(c.dialog->loadButton()->isEnabled());
}
