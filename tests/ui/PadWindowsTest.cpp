#include "pad/PadDetails.h"
#include "pad/PadDocument.h"
#include "pad/PadMapping.h"
#include "pad/PadRules.h"
#include "TestWindow.h"
#include "ui/TApplicationPages.h"
#include "ui/TPadCheckFrm.h"
#include "ui/TPadExportFrm.h"
#include "ui/TPadImportFrm.h"
#include "ui/TPadUrlFrm.h"
#include "workflow/MainModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }
QString pad(const char* relative) { return PadMapping::path(relative); }

const QString OsPath = pad("Program_Info/Program_OS_Support");

// A company with its contact and one shareware application, nothing of PAD kept yet.
void writeRecords(TestWorkspace& ws)
{
    ws.write(s("companies/companies.dat"), "Acme\r\n");
    ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\nCONTACT=Jane Doe\r\nCEMAIL=jane@acme.test\r\n");
    ws.write(s("data/Applications.dat"), "Tool\r\n");
    ws.write(s("data/Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\nVERSION=1.2\r\nPLATFORM=Windows 95 and NT\r\n"
                                 "STATUS=Shareware\r\n");
}

// Every file of the workspace with its bytes.
std::map<QString, QByteArray> snapshot(const TestWorkspace& ws)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(ws.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files[file] = ws.read(file.mid(ws.path().size()));
    }
    return files;
}

QStringList captions(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? QString() : s(" (off)")));
    return texts;
}

QStringList ticked(const TPadExportFrm& dialog)
{
    QStringList names;
    for (const QCheckBox* box : dialog.osBoxes())
        if (box->isChecked())
            names << box->text();
    return names;
}

// The main window over the records, with the export dialog made as the menu makes it.
struct Export {
    TestWorkspace ws;
    std::unique_ptr<TestWindow> w;
    std::unique_ptr<TPadExportFrm> dialog;

    explicit Export(const PadValues& details = PadValues())
    {
        writeRecords(ws);
        w = std::make_unique<TestWindow>(ws);
        if (!details.isEmpty())
            PadDetails::save(model().workspace().DataDir(), s("Tool"), details);
    }
    MainModel& model() { return w->frame.model(); }
    TPadExportFrm& open()
    {
        dialog = std::make_unique<TPadExportFrm>(model().padExporter(), w->prompts, &w->frame);
        dialog->show();
        return *dialog;
    }
};

} // namespace

TEST(PadWindows, MenuItemsFollowTheEmailScriptsAndLockDuringARun)
{
    TestWorkspace ws;
    TestWindow w(ws);
    const QStringList items = captions(w.frame.fileMenu());
    const qsizetype scripts = items.indexOf(s("Default &Email Scripts"));
    ASSERT_GE(scripts, 0);
    EXPECT_EQ(items.mid(scripts + 1), (QStringList{s("-"), s("&Import PAD File..."), s("Import PAD File from U&RL..."),
                                                   s("Ex&port PAD File..."), s("-"), s("E&xit")}));

    w.frame.model().displays().BeginPosting();
    for (const char* name : {"ImportPadItem", "ImportPadUrlItem", "ExportPadItem"})
        EXPECT_FALSE(w.frame.command(name)->isEnabled()) << name;
    w.frame.model().displays().EndPosting();
    for (const char* name : {"ImportPadItem", "ImportPadUrlItem", "ExportPadItem"})
        EXPECT_TRUE(w.frame.command(name)->isEnabled()) << name;

    // With no application there is nothing to export, and no dialog opens.
    w.prompts.shown.clear();
    EXPECT_FALSE(withModal([&] { w.frame.command("ExportPadItem")->trigger(); }, [](QWidget*) {}));
    EXPECT_EQ(w.prompts.messages(),
              QStringList{s("error: You have not entered or selected an application yet. Please do so now!")});
}

TEST(PadWindows, ExportShowsTheRecordsAndDetailsAndWritesTheEdits)
{
    const QString category = PadRules::categoryClasses(PadVersion::V4_0).value(3);
    PadValues details;
    details.set(pad("Program_Descriptions/English/Keywords"), s("editor,text"));
    details.set(pad("Program_Info/Program_Release_Status"), s("Major Update"));
    details.set(pad("Program_Info/Program_Category_Class"), category);
    details.set(pad("Web_Info/Application_URLs/Application_XML_File_URL"), s("http://127.0.0.1/tool.xml"));
    Export e(details);
    TPadExportFrm& d = e.open();

    EXPECT_EQ(d.windowTitle(), s("Export PAD File"));
    EXPECT_EQ(d.versionBox()->currentText(), s("PAD 4.0"));
    EXPECT_EQ(d.keywordsField()->text(), s("editor,text"));
    EXPECT_EQ(d.releaseStatusBox()->currentText(), s("Major Update"));
    EXPECT_EQ(d.categoryBox()->currentText(), category);
    EXPECT_EQ(d.padUrlField()->text(), s("http://127.0.0.1/tool.xml"));
    EXPECT_EQ(d.languageField()->text(), s("English"));
    EXPECT_EQ(d.authorFirstField()->text(), s("Jane"));
    EXPECT_EQ(d.authorLastField()->text(), s("Doe"));
    // A shareware program's type is its status: only a beta's is chosen here.
    EXPECT_EQ(d.programTypeBox()->currentText(), s("Shareware"));
    EXPECT_FALSE(d.programTypeBox()->isEnabled());
    // The systems the records give stand ticked, and untouched they are written again, in the list's order.
    QStringList systems =
        e.model().padExporter().values(PadVersion::V4_0, details, PadValues()).value(OsPath).split(u',');
    ASSERT_FALSE(systems.isEmpty());
    QStringList inListOrder;
    for (const QString& name : PadRules::osNames(PadVersion::V4_0))
        if (systems.contains(name))
            inListOrder << name;
    EXPECT_EQ(inListOrder.size(), systems.size()) << "every name the export gives is one of the list";
    EXPECT_EQ(ticked(d), inListOrder);
    EXPECT_EQ(d.edits().value(OsPath), systems.join(u',')) << "the names in the order the values give";

    d.keywordsField()->setText(s("new,words"));
    d.descriptionField(80)->setPlainText(s("A text editor"));
    d.changesField()->setPlainText(s("Faster saving.\nA new icon."));
    EXPECT_FALSE(d.overruledLabel()->isVisibleTo(&d));
    for (QCheckBox* box : d.osBoxes())
        box->setChecked(false);
    // Systems that do not give the records' platform are not written, and the dialog says so.
    d.osBox(s("Linux"))->setChecked(true);
    EXPECT_TRUE(d.overruledLabel()->isVisibleTo(&d));
    EXPECT_TRUE(d.overruledLabel()->text().contains(s("Operating systems"))) << d.overruledLabel()->text().toStdString();
    d.osBox(s("WinXP"))->setChecked(true);
    d.osBox(s("Win98"))->setChecked(true);
    EXPECT_FALSE(d.overruledLabel()->isVisibleTo(&d)) << d.overruledLabel()->text().toStdString();

    const QString out = e.ws.file(s("out.xml"));
    e.w->prompts.saveFiles.push_back(out);
    bool asked = false;
    // The records lack much that PAD requires: the file is written only on "Save Anyway".
    withModal([&] { d.saveButton()->click(); },
              [&](QWidget* modal) {
                  auto* check = qobject_cast<TPadCheckFrm*>(modal);
                  ASSERT_NE(check, nullptr);
                  asked = true;
                  EXPECT_EQ(check->windowTitle(), s("PAD Check"));
                  EXPECT_GT(check->table()->rowCount(), 0);
                  EXPECT_TRUE(check->summaryLabel()->text().contains(s("fail the rules of PAD 4.0.")));
                  check->saveAnywayButton()->click();
              });
    EXPECT_TRUE(asked);
    EXPECT_FALSE(d.isVisible()) << "a written file closes the dialog";

    const PadReadResult written = PadDocument::read(e.ws.read(s("out.xml")));
    ASSERT_TRUE(written.error.isEmpty()) << written.error.toStdString();
    EXPECT_EQ(written.values.value(pad("MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION")), s("4.0"));
    EXPECT_EQ(written.values.value(pad("Program_Descriptions/English/Keywords")), s("new,words"));
    EXPECT_EQ(written.values.value(pad("Program_Descriptions/English/Char_Desc_80")), s("A text editor"));
    EXPECT_EQ(written.values.value(OsPath).toStdString(), "Win98,WinXP,Linux")
        << "the names given first in their order, a newly ticked one after them";
    EXPECT_EQ(written.values.value(pad("Program_Info/Program_Change_Info")), s("Faster saving.\nA new icon."));
    EXPECT_EQ(written.values.value(pad("Program_Info/Program_Category_Class")), category);
}

TEST(PadWindows, CheckAndSaveAnywayCancelWriteNothing)
{
    Export e;
    TPadExportFrm& d = e.open();
    // "Check" shows the failures with a "Close" button only.
    EXPECT_TRUE(withModal([&] { d.checkButton()->click(); },
                          [&](QWidget* modal) {
                              auto* check = qobject_cast<TPadCheckFrm*>(modal);
                              ASSERT_NE(check, nullptr);
                              EXPECT_NE(check->closeButton(), nullptr);
                              EXPECT_EQ(check->saveAnywayButton(), nullptr);
                              const QString field = check->table()->item(0, 0)->text();
                              EXPECT_FALSE(field.startsWith(s("XML_DIZ_INFO/"))) << field.toStdString();
                              check->closeButton()->click();
                          }));
    e.w->prompts.saveFiles.push_back(e.ws.file(s("out.xml")));
    withModal([&] { d.saveButton()->click(); },
              [&](QWidget* modal) {
                  auto* check = qobject_cast<TPadCheckFrm*>(modal);
                  ASSERT_NE(check, nullptr);
                  check->cancelButton()->click();
              });
    EXPECT_FALSE(e.ws.exists(s("out.xml")));
    EXPECT_TRUE(d.isVisible()) << "the user goes back to the fields";
    EXPECT_FALSE(bool(e.model().padExporter().confirmFailures)) << "the dialog's question goes with it";
}

TEST(PadWindows, SystemsFollowTheVersionKeepingTicksBothVersionsName)
{
    Export e;
    TPadExportFrm& d = e.open();
    ASSERT_NE(d.osBox(s("iPad")), nullptr) << "4.0 names the iPad";
    for (QCheckBox* box : d.osBoxes())
        box->setChecked(false);
    d.osBox(s("iPad"))->setChecked(true);
    d.osBox(s("Linux"))->setChecked(true);

    d.setVersion(PadVersion::V3_11);
    QStringList names;
    for (const QCheckBox* box : d.osBoxes())
        names << box->text();
    EXPECT_EQ(names, PadRules::osNames(PadVersion::V3_11));
    EXPECT_EQ(d.osBox(s("iPad")), nullptr);
    EXPECT_EQ(d.edits().value(OsPath), s("Linux"));
    EXPECT_TRUE(d.unknownOsLabel()->text().endsWith(s("left out: iPad")));

    // The iPad comes back with the version that names it.
    d.setVersion(PadVersion::V4_0);
    EXPECT_EQ(d.osBoxes().size(), PadRules::osNames(PadVersion::V4_0).size());
    EXPECT_EQ(ticked(d), (QStringList{s("iPad"), s("Linux")}));
    EXPECT_EQ(d.edits().value(OsPath), s("iPad,Linux"));
}

TEST(PadWindows, SystemsOutsideTheListAreShownAsLeftOut)
{
    PadValues details;
    // Names apart by blanks as well as commas, one with a blank in it, one no version names.
    details.set(OsPath, s("Win95, WinXP Win7 x64,Linux"));
    Export e(details);
    // They import to the records' platform, so the export keeps them as they stand.
    ASSERT_EQ(e.model().padExporter().values(PadVersion::V4_0, details, PadValues()).value(OsPath),
              details.value(OsPath));
    TPadExportFrm& d = e.open();
    EXPECT_EQ(ticked(d), (QStringList{s("Linux"), s("Win7 x64"), s("WinXP")}));
    EXPECT_TRUE(d.unknownOsLabel()->isVisibleTo(&d));
    EXPECT_TRUE(d.unknownOsLabel()->text().endsWith(s("left out: Win95")));
    // The names keep the order the file gave them; a newly ticked one follows.
    EXPECT_EQ(d.edits().value(OsPath), s("WinXP,Win7 x64,Linux"));
    d.osBox(s("Android"))->setChecked(true);
    EXPECT_EQ(d.edits().value(OsPath), s("WinXP,Win7 x64,Linux,Android"));
}

TEST(PadWindows, FillFromTheLongDescriptionCutsAtAWordWithinEachLimit)
{
    Export e;
    // The unsaved long description of the "Description" page is the one used.
    const QString first = s("Tool edits text files of any size, quickly and safely, with undo.");
    const QString second = s("It opens files of any encoding, keeps their line ends as they were, compares two "
                             "files side by side, and prints them with line numbers and headers.");
    const QString third = s("A portable version runs from a memory stick.");
    e.w->frame.applicationPages()->longDescriptionEdit()->setPlainText(first + s("\n\n  ") + second + u'\n' + third);
    TPadExportFrm& d = e.open();
    ASSERT_TRUE(d.fillButton()->isEnabled());
    d.fillButton()->click();

    const QString whole = first + u' ' + second + u' ' + third;
    ASSERT_GT(whole.size(), 250);
    ASSERT_LE(whole.size(), 450);
    EXPECT_EQ(d.descriptionField(450)->toPlainText(), whole);
    for (const int limit : {80, 250}) {
        const QString cut = d.descriptionField(limit)->toPlainText();
        EXPECT_LE(cut.size(), limit);
        EXPECT_TRUE(whole.startsWith(cut));
        EXPECT_EQ(whole.at(cut.size()), u' ') << "cut at a word: " << cut.toStdString();
        const qsizetype nextBlank = whole.indexOf(u' ', cut.size() + 1);
        EXPECT_TRUE(nextBlank < 0 || nextBlank > limit) << "the next word would not have fitted";
        EXPECT_EQ(d.descriptionCount(limit)->text(), QString::number(cut.size()) + s(" / ") + QString::number(limit));
    }
    // Here a blank follows the 80th character: the words up to it fill the field exactly.
    EXPECT_EQ(d.descriptionField(80)->toPlainText(),
              s("Tool edits text files of any size, quickly and safely, with undo. It opens files"));
    // A first word longer than the field fills it.
    EXPECT_EQ(TPadExportFrm::cutAtBlank(QString(90, u'x') + s(" y"), 80), QString(80, u'x'));
}

TEST(PadWindows, PreviewShowsOneLinePerRowWithItsKind)
{
    using Kind = PadImportRow::Kind;
    const QString eula = QString(1500, u'a') + s("\r\nend");
    const QList<PadImportRow> rows = {
        {s("Program_Info/Program_Name"), s("Tool"), s("Application Name:"), s("Tool"), Kind::Set, QString()},
        {s("Program_Info/Program_Version"), s("v 1.2"), s("Version"), s("1.2"), Kind::Guess, s("\"v \" dropped")},
        {s("Company_Info/Country"), s("Austria"), s("Contact Country:"), s("Austria"), Kind::Unchanged, {}},
        {s("Permissions/EULA"), eula, s("PAD details"), QString(), Kind::Detail, QString()},
        {s("Program_Info/Program_Release_Year"), s("2099"), s("Year"), QString(), Kind::Loss, s("does not fit")},
        {s("MASTER_PAD_VERSION_INFO/MASTER_PAD_INFO"), s("PAD"), QStringLiteral("—"), QString(), Kind::Dropped, QString()},
    };
    TPadImportFrm preview(s("tool.xml"), rows);
    EXPECT_EQ(preview.windowTitle(), s("Import PAD File"));
    EXPECT_EQ(preview.sourceField()->text(), s("tool.xml"));
    QTableWidget* table = preview.table();
    ASSERT_EQ(table->rowCount(), rows.size());
    QStringList headers;
    for (int c = 0; c < table->columnCount(); ++c)
        headers << table->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, (QStringList{s("PAD field"), s("Value"), s("Goes to"), s("Result"), s("Note")}));
    for (int r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(table->item(r, 0)->text(), rows[r].field);
        EXPECT_EQ(table->item(r, 2)->text(), rows[r].target);
        EXPECT_EQ(table->item(r, 4)->text(), rows[r].note);
        EXPECT_EQ(table->item(r, 1)->background().color(), TPadImportFrm::kindColour(rows[r].kind));
    }
    // A long value takes one line in its cell; the pointer and the box below show it whole.
    const QString cell = table->item(3, 1)->text();
    EXPECT_FALSE(cell.contains(u'\n'));
    EXPECT_LT(cell.size(), eula.size());
    EXPECT_EQ(table->item(3, 1)->toolTip(), eula);
    table->setCurrentCell(3, 1);
    EXPECT_TRUE(preview.detailBox()->toPlainText().contains(QString(1500, u'a')));
    EXPECT_EQ(preview.findChild<QLabel*>(s("Legend_") + QString::number(int(Kind::Loss)))->text(), s("a loss (1)"));
    EXPECT_TRUE(preview.importButton()->isDefault());
}

TEST(PadWindows, ImportPreviewCancelWritesNothing)
{
    TestWorkspace ws;
    writeRecords(ws);
    ws.write(s("in/tool.xml"),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XML_DIZ_INFO>\n"
             "<Company_Info><Company_Name>Widgets Inc</Company_Name><City_Town>Graz</City_Town></Company_Info>\n"
             "<Program_Info><Program_Name>Widget Maker</Program_Name><Program_Version>2.0</Program_Version>"
             "<Program_OS_Support>WinXP,Linux</Program_OS_Support></Program_Info>\n"
             "<Program_Descriptions><English><Keywords>widgets</Keywords></English></Program_Descriptions>\n"
             "</XML_DIZ_INFO>\n");
    TestWindow w(ws);
    const auto before = snapshot(ws);
    w.prompts.files.push_back(ws.file(s("in/tool.xml")));
    bool seen = false;
    withModal([&] { w.frame.command("ImportPadItem")->trigger(); },
              [&](QWidget* modal) {
                  auto* preview = qobject_cast<TPadImportFrm*>(modal);
                  ASSERT_NE(preview, nullptr);
                  seen = true;
                  EXPECT_TRUE(preview->sourceField()->text().endsWith(s("tool.xml")));
                  QStringList fields;
                  for (int r = 0; r < preview->table()->rowCount(); ++r)
                      fields << preview->table()->item(r, 0)->text();
                  EXPECT_TRUE(fields.contains(s("Program_Info/Program_Name"))) << fields.join(u' ').toStdString();
                  preview->cancelButton()->click();
              });
    EXPECT_TRUE(seen);
    EXPECT_TRUE(snapshot(ws) == before);
    EXPECT_EQ(w.frame.applicationChooser()->currentText(), s("Tool"));
    EXPECT_EQ(w.prompts.messages(), QStringList{s("openFile: Import PAD File")});
}

TEST(PadWindows, UrlImportOffersTheKeptAddressAndCancelStopsTheFetch)
{
    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    int connections = 0;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (silent.hasPendingConnections()) {
            silent.nextPendingConnection();
            ++connections;
        }
    });
    const QString url = QStringLiteral("http://127.0.0.1:%1/tool.xml").arg(silent.serverPort());

    TestWorkspace ws;
    writeRecords(ws);
    TestWindow w(ws);
    PadValues details;
    details.set(QLatin1String(PadMapping::PadFileUrlPath), url);
    PadDetails::save(w.frame.model().workspace().DataDir(), s("Tool"), details);
    const auto before = snapshot(ws);

    QString offered;
    bool cancelled = false;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        if (auto* ask = qobject_cast<TPadUrlFrm*>(QApplication::activeModalWidget())) {
            offered = ask->urlField()->text();
            ask->importButton()->click();
            return;
        }
        auto* progress = w.frame.findChild<QProgressDialog*>(s("PadFetchProgress"));
        if (!cancelled && progress && progress->isVisible() && connections > 0) {
            cancelled = true;
            progress->findChild<QPushButton*>()->click();
        }
    });
    script.start(10);
    w.frame.command("ImportPadUrlItem")->trigger();
    script.stop();

    EXPECT_EQ(offered, url);
    EXPECT_TRUE(cancelled) << "the progress window showed while the server kept the fetch waiting";
    EXPECT_EQ(w.prompts.messages(), QStringList()) << "a cancelled fetch needs no message";
    EXPECT_TRUE(snapshot(ws) == before);
}
