#include "engines/TEngBuild.h"
#include "TestWindow.h"
#include "ui/TDefaultScriptFrm.h"
#include "ui/TFieldTranslationsFrm.h"
#include "ui/TScriptCheckFrm.h"
#include "ui/TScriptMemo.h"
#include "ui/TSiteBuilderPage.h"
#include "ui/TSitesPage.h"
#include "ui/TVariablesFrm.h"
#include "workflow/MainModel.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include <functional>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }


void writeWorkspace(TestWorkspace& ws)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nNAME=Tool\r\nPLATFORM=Windows 95\r\n");
    ws.write(s("sites/Sites.dat"), "Mailer\r\nposter\r\nAlpha\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_SERVER=ftp.alpha.test\r\nBYTE_FORMAT=2\r\n"
                                   "SITE_TYPE=1\r\nSITE_SYSTEM=2\r\nUSE_CAT1=1\r\nADD_FILE_TO_ZIP=1\r\n");
    ws.write(s("cat/Alpha Cat1.cat"), "1\">Games\r\n2\">Utilities\r\n");
    ws.write(s("sites/Alpha HTTP_NEW.scp"), "a=1\r\nb=2\r\n");
    ws.write(s("sites/Mailer.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\nEMAIL_TONAME=new@mailer.test\r\n"
                                    "EMAIL_ATTACH_GIF=1\r\nUSE_HTTP_POST=1\r\nHTTP_POST_TYPE=2\r\n");
    ws.write(s("sites/Mailer EMAIL_NEW.scp"), "Program: %APPNAME%\r\n");
    ws.write(s("sites/poster.ini"), "[SETTINGS]\r\nUSE_HTTP_POST=1\r\n");
}

struct Window : TestWindow {
    explicit Window(TestWorkspace& w) : TestWindow(w) {}
    TSiteBuilderPage& page() { return *frame.siteBuilderPage(); }
    TEngBuild& engine() { return *frame.model().engine(); }
    void enter() { frame.mainTabs()->setCurrentWidget(frame.siteBuilderTab()); }
    template <typename T = QWidget>
    T* field(const char* name) { return page().findChild<T*>(QLatin1String(name)); }
    QRadioButton* radio(const char* name) { return field<QRadioButton>(name); }
    void choose(const QString& site)
    {
        QComboBox* selector = page().siteSelector();
        const int at = selector->findText(site);
        selector->setCurrentIndex(at);
        emit selector->activated(at);
    }
};

QStringList comboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

TEST(SiteBuilderPage, PagesChoicesAndButtonsWithNothingChosenAtStart)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    QTabWidget* pages = w.page().pages();
    ASSERT_EQ(pages->count(), 4);
    EXPECT_EQ((QStringList{pages->tabText(0), pages->tabText(1), pages->tabText(2), pages->tabText(3)}),
              (QStringList{s("Details"), s("HTTP Post"), s("FTP Upload"), s("E-mail")}));
    EXPECT_EQ(comboItems(w.page().siteSelector()), (QStringList{s("Alpha"), s("Mailer"), s("poster")}));
    EXPECT_FALSE(w.page().siteSelector()->isEditable());
    EXPECT_EQ(w.page().siteSelector()->currentIndex(), -1);
    EXPECT_FALSE(w.engine().siteName().size());
    // "&&" shows a single ampersand.
    EXPECT_EQ(w.radio("SiteType2Radio")->text(), s("Freeware && Shareware"));
    EXPECT_EQ(w.page().byteFormatGroup()->title(), s("Byte Format"));
    QStringList formats;
    for (QRadioButton* r : w.page().byteFormatGroup()->findChildren<QRadioButton*>())
        formats << r->text();
    EXPECT_EQ(formats, (QStringList{s("Bytes"), s("Kbytes"), s("Mbytes")}));
    EXPECT_EQ(w.page().saveButton()->text(), s("Save Site"));
    EXPECT_EQ(w.page().deleteButton()->text(), s("Delete Site"));
    EXPECT_EQ(w.page().newButton()->text(), s("New Site"));
    EXPECT_EQ(w.page().contributeButton()->text(), s("Contribute!"));
    EXPECT_TRUE(w.page().contributeButton()->isHidden());
    for (SiteScript script : {SiteScript::HttpNew, SiteScript::HttpUpdate})
        EXPECT_EQ(w.page().defaultButton(script), nullptr);
    for (SiteScript script : {SiteScript::FtpNew, SiteScript::EmailNew, SiteScript::EmailUpdate})
        EXPECT_EQ(w.page().defaultButton(script)->text(), s("Default Script"));
    const QList<QAction*> menu = w.page().byteFormatMenu()->actions();
    ASSERT_EQ(menu.size(), 1);
    EXPECT_EQ(menu.at(0)->text(), s("Contribute Site To Halvern HQ"));
    EXPECT_TRUE(menu.at(0)->isEnabled()) << "offered whether or not \"Contribute!\" shows";
    EXPECT_FALSE(w.field<QLineEdit>("FtpServerEdit")->isEnabled()) << "no site: nothing to edit";
}

TEST(SiteBuilderPage, EnteringTheTabShowsTheFirstSiteWithItsRules)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    EXPECT_EQ(w.engine().siteName(), s("Alpha"));
    EXPECT_EQ(w.page().siteSelector()->currentText(), s("Alpha"));
    EXPECT_EQ(w.field<QLineEdit>("FtpServerEdit")->text(), s("ftp.alpha.test"));
    EXPECT_TRUE(w.radio("ByteFormat2Radio")->isChecked());
    EXPECT_TRUE(w.radio("SiteType1Radio")->isChecked());
    EXPECT_TRUE(w.radio("SiteSystem2Radio")->isChecked());
    EXPECT_EQ(w.page().categoryEditor(1)->toPlainText(), s("1\">Games\n2\">Utilities"));
    EXPECT_TRUE(w.page().categoryEditor(1)->isEnabled());
    EXPECT_FALSE(w.page().categoryEditor(2)->isEnabled());
    EXPECT_FALSE(w.page().scriptEditor(SiteScript::HttpNew)->isEnabled());
    EXPECT_TRUE(w.field<QLineEdit>("HttpNewUrlEdit")->isEnabled()) << "URLs and method stay enabled";
    EXPECT_TRUE(w.radio("AddedText1Radio")->isChecked());
    EXPECT_FALSE(w.engine().modified());
}

TEST(SiteBuilderPage, AnEmailOnlySiteEnablesTheMailFieldsAndNoFtpField)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.choose(s("Mailer"));
    EXPECT_EQ(w.engine().siteName(), s("Mailer"));
    EXPECT_FALSE(w.engine().modified());
    for (const char* name : {"UseZipCheck", "Use8x3Check", "FtpServerEdit", "FtpTlsCombo", "RemotePathEdit",
                             "LoginNameEdit", "LoginPasswordEdit", "AddedText1Radio", "AddedText2Radio",
                             "AddedText3Radio", "FtpFilenameEdit", "FtpMemo"})
        EXPECT_FALSE(w.field(name)->isEnabled()) << name;
    for (const char* name : {"EmailToEdit", "EmailSubjectEdit", "EmailToUpdateEdit", "EmailSubjectUpdateEdit",
                             "EmailNewMemo", "EmailUpdateMemo", "AttachIcoCheck", "AttachGifCheck",
                             "AttachScreenCheck", "AttachOtherCheck", "AttachApplicationCheck", "SendCopyCheck",
                             "AttachScriptCheck"})
        EXPECT_TRUE(w.field(name)->isEnabled()) << name;
    EXPECT_TRUE(w.field<QCheckBox>("UseFtpCheck")->isEnabled());
    EXPECT_EQ(w.field<QLineEdit>("EmailToEdit")->text(), s("new@mailer.test"));
    EXPECT_TRUE(w.field<QCheckBox>("AttachGifCheck")->isChecked());
    EXPECT_TRUE(w.radio("Method2Radio")->isChecked());
    EXPECT_EQ(w.page().scriptEditor(SiteScript::EmailNew)->lines(), QStringList{s("Program: %APPNAME%")});

    // A click on a "uses" box is an edit and switches its fields at once.
    w.page().pages()->setCurrentWidget(w.page().ftpPage());
    w.field<QCheckBox>("UseFtpCheck")->click();
    EXPECT_TRUE(w.engine().site().useFtpUpload);
    EXPECT_TRUE(w.engine().modified());
    EXPECT_TRUE(w.field("FtpServerEdit")->isEnabled());
}

TEST(SiteBuilderPage, EveryKindOfFieldEditsTheDefinitionAndSetsTheFlag)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    TEngBuild& e = w.engine();
    const auto edited = [&](const std::function<void()>& change) {
        e.setModified(false);
        change();
        return e.modified();
    };
    w.page().pages()->setCurrentWidget(w.page().ftpPage());
    EXPECT_TRUE(edited([&] { QTest::keyClicks(w.field<QLineEdit>("FtpServerEdit"), s("x")); }));
    EXPECT_EQ(e.site().ftpServer, s("ftp.alpha.testx"));
    EXPECT_TRUE(edited([&] { w.radio("ByteFormat3Radio")->click(); }));
    EXPECT_EQ(e.site().byteFormat, 3);
    EXPECT_TRUE(edited([&] { w.radio("ByteFormat3Radio")->click(); })) << "any click on a choice";
    EXPECT_TRUE(edited([&] { w.field<QCheckBox>("Use8x3Check")->click(); }));
    EXPECT_TRUE(e.site().use8x3Filename);

    // Picked from the variable list into a template field.
    QLineEdit* password = w.field<QLineEdit>("LoginPasswordEdit");
    password->setFocus();
    QTreeWidget* list = w.frame.variablePicker()->list();
    EXPECT_TRUE(edited([&] {
        w.frame.variablePicker()->open();
        list->setCurrentItem(list->topLevelItem(5));
        w.frame.variablePicker()->useSelected();
    }));
    EXPECT_EQ(e.site().loginPassword, s("%CONTEMAIL%"));

    w.page().pages()->setCurrentWidget(w.page().detailsPage());
    TScriptMemo* cat1 = w.page().categoryEditor(1);
    cat1->moveCursor(QTextCursor::End);
    EXPECT_TRUE(edited([&] {
        QTest::keyClick(cat1, Qt::Key_Return);
        QTest::keyClicks(cat1, s("3\">Office"));
        QTest::keyClick(cat1, Qt::Key_Return);
    }));
    EXPECT_EQ(e.site().primaryCategories, (QStringList{s("1\">Games"), s("2\">Utilities"), s("3\">Office")}))
        << "a final line break adds no empty line";

    // Choosing the site again drops the edits and shows it as saved.
    w.choose(s("Alpha"));
    EXPECT_FALSE(e.modified());
    EXPECT_EQ(w.field<QLineEdit>("FtpServerEdit")->text(), s("ftp.alpha.test"));
    EXPECT_EQ(e.site().loginPassword, QString());
}

TEST(SiteBuilderPage, EnterAddsNoLineToAnHttpScriptButALoadedOneKeepsItsLines)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.choose(s("poster"));
    w.page().pages()->setCurrentWidget(w.page().httpPage());
    TScriptMemo* http = w.page().scriptEditor(SiteScript::HttpNew);
    ASSERT_TRUE(http->isEnabled());
    http->setFocus();
    QTest::keyClicks(http, s("a=1"));
    QTest::keyClick(http, Qt::Key_Return);
    QTest::keyClick(http, Qt::Key_Enter);
    QTest::keyClicks(http, s("&b=2"));
    EXPECT_EQ(w.engine().site().scripts[size_t(SiteScript::HttpNew)], QStringList{s("a=1&b=2")});
    EXPECT_EQ(http->lineWrapMode(), QPlainTextEdit::WidgetWidth);

    w.choose(s("Alpha"));
    EXPECT_EQ(w.page().scriptEditor(SiteScript::HttpNew)->lines(), (QStringList{s("a=1"), s("b=2")}));
    // Other scripts take Enter as a line break.
    TScriptMemo* ftp = w.page().scriptEditor(SiteScript::FtpNew);
    w.page().pages()->setCurrentWidget(w.page().ftpPage());
    ftp->setFocus();
    QTest::keyClicks(ftp, s("x"));
    QTest::keyClick(ftp, Qt::Key_Return);
    QTest::keyClicks(ftp, s("y"));
    EXPECT_EQ(w.engine().site().scripts[size_t(SiteScript::FtpNew)], (QStringList{s("x"), s("y")}));
    const QFontMetrics pitch(ftp->font());
    EXPECT_EQ(pitch.horizontalAdvance(s("iiii")), pitch.horizontalAdvance(s("MMMM"))) << "a fixed-pitch font";
}

TEST(SiteBuilderPage, FtpEncryptionShowsTheSitesChoiceAndPickingOneIsAnEdit)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("sites/poster.ini"), "[SETTINGS]\r\nUSE_FTP_UPLOAD=1\r\nFTP_TLS=2\r\n");
    Window w(ws);
    w.enter();
    QComboBox* tls = w.page().ftpTlsCombo();
    EXPECT_EQ(comboItems(tls), (QStringList{s("None"), s("When the server offers it"), s("Required")}));
    EXPECT_FALSE(tls->toolTip().isEmpty());
    EXPECT_EQ(tls->currentIndex(), 0) << "Alpha has no FTP_TLS";
    EXPECT_TRUE(tls->isEnabled());

    w.choose(s("poster"));
    EXPECT_EQ(tls->currentText(), s("Required"));
    EXPECT_FALSE(w.engine().modified());
    tls->setCurrentIndex(1);
    emit tls->activated(1);
    EXPECT_EQ(w.engine().site().ftpTls, 1);
    EXPECT_TRUE(w.engine().modified());

    // The choice follows the "uses FTP" box as the other FTP fields do.
    w.field<QCheckBox>("UseFtpCheck")->click();
    EXPECT_FALSE(tls->isEnabled());
}

TEST(SiteBuilderPage, IncludeInZipFallsBackWhileNoZipIsRequired)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.page().pages()->setCurrentWidget(w.page().ftpPage());
    w.radio("AddedText2Radio")->click();
    EXPECT_TRUE(w.radio("AddedText1Radio")->isChecked());
    EXPECT_EQ(w.engine().site().addedText, AddedTextPlacement::Separate);
    w.field<QCheckBox>("UseZipCheck")->click();
    w.radio("AddedText3Radio")->click();
    EXPECT_TRUE(w.radio("AddedText3Radio")->isChecked());
    w.field<QCheckBox>("UseZipCheck")->click();
    EXPECT_TRUE(w.radio("AddedText1Radio")->isChecked());
    EXPECT_EQ(w.engine().site().addedText, AddedTextPlacement::Separate);
}

TEST(SiteBuilderPage, ASiteWithNoPlacementStoredShowsNoneChosen)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("sites/poster.ini"), "[SETTINGS]\r\nADD_FILE_TO_ZIP=0\r\n");
    Window w(ws);
    w.enter();
    w.choose(s("poster"));
    for (const char* name : {"AddedText1Radio", "AddedText2Radio", "AddedText3Radio"})
        EXPECT_FALSE(w.radio(name)->isChecked()) << name;
}

TEST(SiteBuilderPage, TemplateFieldsOfferTheVariableListAndNoOthers)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    QStringList offering;
    for (QWidget* field : w.page().findChildren<QWidget*>())
        if ((qobject_cast<QLineEdit*>(field) || qobject_cast<QPlainTextEdit*>(field))
            && field->contextMenuPolicy() == Qt::CustomContextMenu)
            offering << field->objectName();
    offering.sort();
    QStringList expected{s("HttpNewUrlEdit"), s("HttpUpdateUrlEdit"), s("HttpNewMemo"), s("HttpUpdateMemo"),
                         s("RemotePathEdit"), s("LoginNameEdit"), s("LoginPasswordEdit"), s("FtpMemo"),
                         s("FtpFilenameEdit"), s("EmailSubjectEdit"), s("EmailSubjectUpdateEdit"),
                         s("EmailNewMemo"), s("EmailUpdateMemo")};
    expected.sort();
    EXPECT_EQ(offering, expected);
    EXPECT_EQ(w.page().templateFields().size(), 13u);
}

TEST(SiteBuilderPage, TestScriptShowsTheUnsavedTextExpandedOrItsError)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.choose(s("Mailer"));
    w.page().pages()->setCurrentWidget(w.page().emailPage());
    TScriptMemo* mail = w.page().scriptEditor(SiteScript::EmailNew);
    mail->moveCursor(QTextCursor::End);
    QTest::keyClick(mail, Qt::Key_Return);
    QTest::keyClicks(mail, s("Site: %SITENAME%"));
    QString title;
    QString shown;
    bool readOnly = false;
    const auto test = [&] {
        return withModal([&] { w.page().testButton(SiteScript::EmailNew)->click(); }, [&](QWidget* dialog) {
            auto* check = qobject_cast<TScriptCheckFrm*>(dialog);
            ASSERT_NE(check, nullptr);
            title = check->windowTitle();
            shown = check->resultBox()->toPlainText();
            readOnly = check->resultBox()->isReadOnly();
            EXPECT_EQ(check->okButton()->text(), s("OK"));
            check->okButton()->click();
        });
    };
    ASSERT_TRUE(test());
    EXPECT_EQ(title, s("Script Check"));
    EXPECT_EQ(shown, s("Program: Tool\nSite: Mailer"));
    EXPECT_TRUE(readOnly);

    QTest::keyClicks(mail, s(" %SITECAT2%"));
    ASSERT_TRUE(test());
    EXPECT_EQ(shown, s("Script Error! -> [%UNKNOWN%]"));
    EXPECT_FALSE(ws.read(s("sites/Mailer EMAIL_NEW.scp")).contains("SITENAME")) << "testing saves nothing";
}

TEST(SiteBuilderPage, FieldTranslationsShowsTheSitesTextsAndClosingStoresThem)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("sites/poster.ini"), "[SETTINGS]\r\nMUF_WindowsNT=\r\nMUF_Freeware=Free\r\n");
    Window w(ws);
    w.enter();
    w.choose(s("poster"));
    w.page().pages()->setCurrentWidget(w.page().httpPage());
    QStringList labels;
    QString nt;
    QString freeware;
    ASSERT_TRUE(withModal([&] { w.page().translationsButton()->click(); }, [&](QWidget* dialog) {
        auto* form = qobject_cast<TFieldTranslationsFrm*>(dialog);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), s("Field Translations"));
        for (const QLabel* l : form->findChildren<QLabel*>())
            labels << l->text();
        nt = form->field(Translation::WindowsNT)->text();
        freeware = form->field(Translation::Freeware)->text();
        EXPECT_EQ(form->okButton()->text(), s("Ok"));
        form->close(); // by the window frame
    }));
    EXPECT_EQ(labels.size(), TranslationCount);
    EXPECT_TRUE(labels.contains(s("Install/Uninstall")));
    EXPECT_EQ(nt, s("Windows NT"));
    EXPECT_EQ(freeware, s("Free"));
    EXPECT_EQ(w.engine().site().translation(Translation::WindowsNT), s("Windows NT"));
    EXPECT_FALSE(w.engine().modified());

    ASSERT_TRUE(withModal([&] { w.page().translationsButton()->click(); }, [&](QWidget* dialog) {
        auto* form = qobject_cast<TFieldTranslationsFrm*>(dialog);
        form->field(Translation::Author)->setText(s("Developer"));
        form->okButton()->click();
    }));
    EXPECT_EQ(w.engine().site().translation(Translation::Author), s("Developer"));
    EXPECT_TRUE(w.engine().modified());
    EXPECT_EQ(w.prompts.busyDepth, 0);
}

TEST(SiteBuilderPage, DefaultScriptButtonFillsTheEditorAfterYes)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("data/FTP_DEF_SCRIPT.SCP"), "%APPNAME% %APPVERSION%\r\n");
    Window w(ws);
    w.enter();
    w.page().pages()->setCurrentWidget(w.page().ftpPage());
    TScriptMemo* ftp = w.page().scriptEditor(SiteScript::FtpNew);
    w.prompts.confirmAnswers = {true};
    w.page().defaultButton(SiteScript::FtpNew)->click();
    EXPECT_EQ(ftp->lines(), QStringList{s("%APPNAME% %APPVERSION%")});
    EXPECT_EQ(w.engine().site().scripts[size_t(SiteScript::FtpNew)], ftp->lines());
    EXPECT_TRUE(w.engine().modified());

    w.page().pages()->setCurrentWidget(w.page().emailPage());
    w.prompts.shown.clear();
    w.prompts.confirmAnswers = {true};
    w.page().defaultButton(SiteScript::EmailUpdate)->click();
    EXPECT_EQ(w.prompts.messages().last(),
              s("error: Cannot open file ") + ws.file(s("data/EMAIL_DEF_SCRIPT_UPDATE.SCP")));
}

TEST(SiteBuilderPage, NewSiteShowsContributeUntilAnotherSiteIsChosen)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.prompts.names = {s("Alpha"), s("Zeta")};
    w.page().newButton()->click();
    EXPECT_EQ(w.prompts.messages().mid(0, 3),
              (QStringList{s("askName: New Site Name:"),
                           s("errorWindow: SITE NAME DUPLICATE | The site name you entered is already on the list! | "),
                           s("askName: New Site Name:")}));
    EXPECT_TRUE(ws.read(s("sites/Zeta.ini")).contains("ADD_FILE_TO_ZIP=1"));
    EXPECT_EQ(comboItems(w.page().siteSelector()), (QStringList{s("Alpha"), s("Mailer"), s("poster"), s("Zeta")}));
    EXPECT_EQ(w.page().siteSelector()->currentText(), s("Zeta"));
    EXPECT_FALSE(w.page().contributeButton()->isHidden());
    EXPECT_EQ(w.field<QLineEdit>("FtpServerEdit")->text(), QString()) << "the new site shows the new-site values";
    EXPECT_TRUE(w.engine().modified());

    // Saved, the new site joins the application's site list.
    w.page().saveButton()->click();
    EXPECT_FALSE(w.engine().modified());
    bool listed = false;
    for (const SiteListRow& r : w.frame.model().siteList().rows())
        listed = listed || r.site == u"Zeta";
    EXPECT_TRUE(listed);

    w.choose(s("Alpha"));
    EXPECT_TRUE(w.page().contributeButton()->isHidden());
}

TEST(SiteBuilderPage, DeleteSiteShowsTheFirstRemainingSite)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.enter();
    w.choose(s("Mailer"));
    w.prompts.confirmAnswers = {true};
    w.page().deleteButton()->click();
    EXPECT_FALSE(ws.exists(s("sites/Mailer.ini")));
    EXPECT_EQ(comboItems(w.page().siteSelector()), (QStringList{s("Alpha"), s("poster")}));
    EXPECT_EQ(w.page().siteSelector()->currentText(), s("Alpha"));
    EXPECT_EQ(w.field<QLineEdit>("FtpServerEdit")->text(), s("ftp.alpha.test"));
}

TEST(SiteBuilderPage, ViewInSiteBuilderLoadsOnlyTheRowsSite)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    w.frame.mainTabs()->setCurrentWidget(w.frame.sitesPage());
    TSitesPage* sites = w.frame.sitesPage();
    sites->grid()->selectRow(2);
    std::vector<QString> loaded;
    QObject::connect(&w.frame.model().siteBuilder(), &SiteBuilder::siteShown,
                     [&] { loaded.push_back(w.engine().siteName()); });
    sites->grid()->setFocus();
    QTest::keyClick(sites->grid(), Qt::Key_Return);
    EXPECT_EQ(w.frame.mainTabs()->currentWidget(), w.frame.siteBuilderTab());
    EXPECT_EQ(loaded, std::vector<QString>{s("poster")});
    EXPECT_EQ(w.page().siteSelector()->currentText(), s("poster"));
    EXPECT_TRUE(w.page().scriptEditor(SiteScript::HttpNew)->isEnabled());
}

TEST(SiteBuilderPage, F1GivesEachPageItsTopic)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    ws.write(s("Zentrel.htm"), "<html></html>");
    Window w(ws);
    w.enter();
    const QString page = s("openUrl: ") + QUrl::fromLocalFile(ws.file(s("Zentrel.htm"))).toString() + u'#';
    const std::pair<QWidget*, const char*> fields[] = {
        {w.page().detailsPage(), "SitesWebUrlEdit"},
        {w.page().httpPage(), "HttpNewUrlEdit"},
        {w.page().ftpPage(), "UseFtpCheck"},
        {w.page().emailPage(), "UseEmailCheck"},
    };
    int topic = 1006;
    for (const auto& [tab, name] : fields) {
        w.page().pages()->setCurrentWidget(tab);
        QWidget* field = w.field(name);
        field->setFocus();
        w.prompts.shown.clear();
        QTest::keyClick(field, Qt::Key_F1);
        EXPECT_EQ(w.prompts.messages(), QStringList{page + QString::number(topic++)}) << name;
    }
}

TEST(DefaultScriptEditor, OpensFromTheFileMenuAndSavesTheFile)
{
    TestWorkspace ws;
    writeWorkspace(ws);
    Window w(ws);
    const std::tuple<const char*, const char*, const char*> items[] = {
        {"DefaultFtpItem", "Default FTP Script", "data/FTP_DEF_SCRIPT.SCP"},
        {"DefaultEmailNewItem", "Default NEW EMAIL Script", "data/EMAIL_DEF_SCRIPT_NEW.SCP"},
        {"DefaultEmailUpdateItem", "Default UPDATE EMAIL Script", "data/EMAIL_DEF_SCRIPT_UPDATE.SCP"},
    };
    for (const auto& [item, heading, file] : items) {
        w.prompts.shown.clear();
        QString title;
        QString shownHeading;
        ASSERT_TRUE(withModal([&, item = item] { w.frame.command(item)->trigger(); }, [&](QWidget* dialog) {
            auto* editor = qobject_cast<TDefaultScriptFrm*>(dialog);
            ASSERT_NE(editor, nullptr);
            title = editor->windowTitle();
            shownHeading = editor->heading()->text();
            EXPECT_TRUE(editor->editor()->lines().isEmpty());
            editor->editor()->setPlainText(s("Hello %APPNAME%\n\nBye"));
            editor->saveButton()->click();
            EXPECT_FALSE(editor->isVisible()) << "Save Script closes the window";
        }));
        EXPECT_EQ(title, s("Default Script:"));
        EXPECT_EQ(shownHeading, QLatin1String(heading));
        EXPECT_EQ(w.prompts.messages(), QStringList{s("error: Default Script File Not Found!")});
        EXPECT_EQ(ws.read(QLatin1String(file)), QByteArray("Hello %APPNAME%\r\n\r\nBye\r\n"));
    }

    // An existing file opens in the editor; closing without "Save Script" writes nothing.
    w.prompts.shown.clear();
    QStringList lines;
    ASSERT_TRUE(withModal([&] { w.frame.command("DefaultFtpItem")->trigger(); }, [&](QWidget* dialog) {
        auto* editor = qobject_cast<TDefaultScriptFrm*>(dialog);
        lines = editor->editor()->lines();
        editor->editor()->setPlainText(s("changed"));
        editor->close();
    }));
    EXPECT_EQ(lines, (QStringList{s("Hello %APPNAME%"), QString(), s("Bye")}));
    EXPECT_TRUE(w.prompts.shown.isEmpty());
    EXPECT_EQ(ws.read(s("data/FTP_DEF_SCRIPT.SCP")), QByteArray("Hello %APPNAME%\r\n\r\nBye\r\n"));
}

TEST(ScriptMemo, LinesRoundTripWithEmptyLinesAndNoBreakSpaces)
{
    TScriptMemo memo;
    for (const QStringList& lines : {QStringList{}, QStringList{QString()}, QStringList{s("a"), QString()},
                                     QStringList{s("a"), QString(), QString()}, QStringList{s("x\xa0y"), s("z")}}) {
        memo.setLines(lines);
        EXPECT_EQ(memo.lines(), lines) << lines.join(u'|').toStdString();
    }
    memo.setPlainText(s("a\nb\n"));
    EXPECT_EQ(memo.lines(), (QStringList{s("a"), s("b")})) << "a final line break adds no empty line";
}
