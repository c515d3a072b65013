#include "../workflow/ModelFixture.h"

#include "pad/PadDocument.h"
#include "pad/PadMapping.h"
#include "pad/PadRules.h"
#include "services/PadFetch.h"

#include "../net/TestServers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>

#include <initializer_list>
#include <ostream>
#include <utility>

// Shows texts as text when a check fails.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Answer = UserPrompts::Answer;

QString p(const char* relative) { return PadMapping::path(relative); }

QByteArray padFile(std::initializer_list<std::pair<const char*, const char*>> entries)
{
    PadValues v;
    for (const auto& [path, value] : entries)
        v.set(p(path), QString::fromUtf8(value));
    return PadDocument::write(v, PadRules::order(PadVersion::V4_0));
}

QByteArray minimal()
{
    return padFile({{"Company_Info/Company_Name", "Acme Software"},
                                    {"Company_Info/City_Town", "Springfield"},
                                    {"Program_Info/Program_Name", "Acme Tool"},
                                    {"Program_Info/Program_Version", "2.0"},
                                    {"Program_Info/Program_OS_Support", "WinXP,Linux"},
                                    {"Program_Descriptions/English/Keywords", "tidy"}});
}

} // namespace

class PadImportTest : public ModelFixture {
protected:
    QList<QList<PadImportRow>> previews;
    bool previewAnswer = true;

    void startWithPreview()
    {
        start();
        model->padImporter().preview = [this](const QString&, const QList<PadImportRow>& rows) {
            previews << rows;
            return previewAnswer;
        };
    }
    // A company and an application with a site list, as a user leaves them.
    void writeRecords()
    {
        ws.write(s("companies/companies.dat"), "Acme Software\r\n");
        ws.write(s("companies/Acme Software.dat"),
                 "[COMPANY]\r\nCONAME=Acme Software\r\nBHSID=777\r\nCONTACT=Jane Doe\r\nCTITLE=Owner\r\n"
                 "CEMAIL=jane@acme.example\r\nCCITY=Shelbyville\r\nCURL=https://acme.example\r\n");
        ws.write(s("data/Applications.dat"), "Acme Tool\r\n");
        ws.write(s("data/Acme Tool.dat"),
                 "[COMPANY]\r\nCONAME=Acme Software\r\n[APPINFO]\r\nFILENAME=acmetool.zip\r\nNAME=Acme Tool\r\n"
                 "8CHAR=acmetool\r\nVERSION=1.0\r\nDAY=5\r\nMONTH=3\r\nYEAR=26\r\nPLATFORM=Windows NT\r\n"
                 "DSTATUS=Distributor\r\nSIZE32=1536100\r\nINSTSIZE32=4000000\r\nPRICE=19.95\r\nSTATUS=Shareware\r\n"
                 "installer=Install/Uninstall\r\nAPPURL=http://acme.example/tool\r\n"
                 "DL1_32=http://acme.example/tool.zip\r\nPATH=/home/jane/tool.zip\r\n"
                 "SHORTDESC=Tidies files\r\n");
        ws.write(s("data/Acme Tool.lds"), "Acme Tool tidies your files.\r\nIn one click.\r\n");
        ws.write(s("data/Acme Tool.nts"), "REGCODE-4711-SECRET\r\n");
        ws.write(s("sites/Sites.dat"), "Alpha\r\n");
        ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
    }
    // Every file of the workspace with its bytes.
    QMap<QString, QByteArray> snapshot() const
    {
        QMap<QString, QByteArray> files;
        QDirIterator it(ws.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            if (f.open(QIODevice::ReadOnly))
                files.insert(file.mid(ws.path().size()), f.readAll());
        }
        return files;
    }
    QString writeImportFile(const QByteArray& bytes, const char* name = "pad.xml")
    {
        ws.makeDir(s("incoming"));
        ws.write(s("incoming/") + QLatin1String(name), bytes);
        return ws.file(s("incoming/") + QLatin1String(name));
    }
    QStringList asked() const
    {
        QStringList lines;
        for (const QString& line : prompts.shown)
            if (line.startsWith(u"askSave: ") || line.startsWith(u"askName: ") || line.startsWith(u"error: "))
                lines << line;
        return lines;
    }
};

TEST_F(PadImportTest, CancelAnywhereLeavesTheWorkspaceByteForByte)
{
    writeRecords();
    startWithPreview();
    const QString file = writeImportFile(minimal());
    const auto before = snapshot();

    previewAnswer = false;
    EXPECT_FALSE(model->padImporter().importPath(file));
    EXPECT_EQ(previews.size(), 1);
    previewAnswer = true;

    // The company question, then the application question, then the name dialog.
    prompts.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(model->padImporter().importPath(file));
    prompts.saveAnswers = {Answer::Yes, Answer::Cancel};
    EXPECT_FALSE(model->padImporter().importPath(file));
    prompts.saveAnswers = {Answer::No, Answer::No};
    EXPECT_FALSE(model->padImporter().importPath(file));
    EXPECT_EQ(asked(),
              QStringList({s("askSave: The company Acme Software already exists. Replace its details with those in "
                             "the PAD file?"),
                           s("askSave: The company Acme Software already exists. Replace its details with those in "
                             "the PAD file?"),
                           s("askSave: The application Acme Tool already exists. Replace its details with those in "
                             "the PAD file?"),
                           s("askSave: The company Acme Software already exists. Replace its details with those in "
                             "the PAD file?"),
                           s("askSave: The application Acme Tool already exists. Replace its details with those in "
                             "the PAD file?"),
                           s("askName: New Application Name")}));
    EXPECT_EQ(snapshot(), before);

    // Unsaved edits are asked about first; "Cancel" there stops before the preview.
    model->application().setField(AppField::Version, s("9.9"));
    prompts.saveAnswers = {Answer::Cancel};
    EXPECT_FALSE(model->padImporter().importPath(file));
    EXPECT_EQ(previews.size(), 4);
    EXPECT_TRUE(prompts.shown.contains(s("askSave: Would you like to save Acme Tool?")));
    EXPECT_EQ(snapshot(), before);
}

TEST_F(PadImportTest, AnEmptyWorkspaceGetsANewCompanyAndApplicationShownWithoutSiteChoices)
{
    ws.write(s("sites/Sites.dat"), "Alpha\r\n");
    ws.write(s("sites/Alpha.ini"), "[SETTINGS]\r\nUSE_EMAIL=1\r\n");
    startWithPreview();
    ASSERT_TRUE(model->padImporter().importPath(writeImportFile(minimal())));

    EXPECT_EQ(companies().names(), QStringList{s("Acme Software")});
    EXPECT_EQ(model->applicationChooser().names(), QStringList{s("Acme Tool")});
    EXPECT_EQ(company().name(), s("Acme Software"));
    EXPECT_EQ(company().field(CompanyField::City), s("Springfield"));
    ApplicationRecord& app = model->application();
    EXPECT_EQ(app.name(), s("Acme Tool"));
    EXPECT_EQ(app.field(AppField::Version), s("2.0"));
    EXPECT_EQ(app.field(AppField::Platform), s("Windows NT"));
    EXPECT_EQ(app.field(AppField::DistStatus), s("Author"));
    EXPECT_FALSE(app.changed());
    EXPECT_FALSE(company().changed());
    const QByteArray record = ws.read(s("data/Acme Tool.dat"));
    EXPECT_TRUE(record.contains("CONAME=Acme Software\r\n"));
    EXPECT_TRUE(record.contains("DSTATUS=Author\r\n"));
    // The values the records lack are kept beside the record, in the program's own writing.
    const PadReadResult details = PadDocument::read(ws.read(s("data/Acme Tool.pad.xml")));
    ASSERT_TRUE(details.error.isEmpty());
    EXPECT_EQ(details.values.value(p("Program_Descriptions/English/Keywords")), s("tidy"));
    EXPECT_EQ(details.values.value(p("Program_Info/Program_OS_Support")), s("WinXP,Linux"));
    // A site list of its own, every site as a new list starts.
    ASSERT_EQ(model->siteList().rows().size(), 1);
}

TEST_F(PadImportTest, ConflictsReplaceOrKeepTheCompanyAndRenameTheApplication)
{
    writeRecords();
    startWithPreview();
    const QString file = writeImportFile(minimal());

    // "No" for the company uses it unchanged; "No" for the application asks for a new name.
    prompts.saveAnswers = {Answer::No, Answer::No};
    prompts.names = {s("Acme Tool"), s("Acme Tool 2")};
    ASSERT_TRUE(model->padImporter().importPath(file));
    EXPECT_EQ(ws.read(s("companies/Acme Software.dat")).contains("CCITY=Shelbyville"), true);
    EXPECT_EQ(model->applicationChooser().names(), QStringList({s("Acme Tool"), s("Acme Tool 2")}));
    EXPECT_TRUE(prompts.shown.contains(
        s("errorWindow: APP NAME DUPLICATE | The App name you entered is already on the list! | ")));
    EXPECT_EQ(model->application().name(), s("Acme Tool 2"));
    EXPECT_TRUE(ws.read(s("data/Acme Tool 2.dat")).contains("VERSION=2.0\r\n"));
    EXPECT_TRUE(ws.read(s("data/Acme Tool.dat")).contains("VERSION=1.0\r\n"));

    // "Yes" replaces the details the file speaks of and keeps the others.
    prompts.saveAnswers = {Answer::Yes, Answer::Yes};
    ASSERT_TRUE(model->padImporter().importPath(file));
    const QByteArray companyRecord = ws.read(s("companies/Acme Software.dat"));
    EXPECT_TRUE(companyRecord.contains("CCITY=Springfield\r\n"));
    EXPECT_TRUE(companyRecord.contains("BHSID=777\r\n"));
    EXPECT_TRUE(companyRecord.contains("CTITLE=Owner\r\n"));
    const QByteArray appRecord = ws.read(s("data/Acme Tool.dat"));
    EXPECT_TRUE(appRecord.contains("VERSION=2.0\r\n"));
    EXPECT_TRUE(appRecord.contains("DSTATUS=Distributor\r\n"));
    EXPECT_TRUE(appRecord.contains("PATH=/home/jane/tool.zip\r\n"));
    EXPECT_EQ(ws.read(s("data/Acme Tool.nts")), QByteArray("REGCODE-4711-SECRET\r\n"));
}

TEST_F(PadImportTest, NamesNoFileCanTakeAreAskedForAndBadFilesAreRefused)
{
    startWithPreview();
    prompts.names = {s("Acme Tool")};
    ASSERT_TRUE(model->padImporter().importPath(writeImportFile(
        padFile({{"Company_Info/Company_Name", "Acme"}, {"Program_Info/Program_Name", "Tool/Pro"}}))));
    EXPECT_TRUE(prompts.shown.contains(s("askName: New Application Name")));
    EXPECT_EQ(model->application().name(), s("Acme Tool"));

    const auto before = snapshot();
    prompts.shown.clear();
    QByteArray big = minimal();
    big.insert(big.indexOf("<XML_DIZ_INFO>"), QByteArray(PadDocument::MaxBytes, ' '));
    EXPECT_FALSE(model->padImporter().importPath(writeImportFile(big, "big.xml")));
    EXPECT_FALSE(model->padImporter().importPath(writeImportFile("<html><body>Not here</body></html>", "page.xml")));
    ASSERT_EQ(prompts.messages().size(), 2);
    EXPECT_EQ(prompts.messages()[0], s("error: The PAD file is larger than 1 MB; nothing was imported."));
    EXPECT_TRUE(prompts.messages()[1].startsWith(s("error: The file is not a PAD file: ")));
    auto after = snapshot();
    after.remove(s("incoming/big.xml"));
    after.remove(s("incoming/page.xml"));
    EXPECT_EQ(after, before);
}

TEST_F(PadImportTest, ExportThenImportLeavesEveryRecordFileAsItWas)
{
    writeRecords();
    startWithPreview();
    // The records as the program writes them, every key in its place.
    model->saveApplication();
    model->siteList().Save(s("Acme Tool"));
    const auto before = snapshot();
    PadExporter& exporter = model->padExporter();
    exporter.confirmFailures = [](const QList<PadFailure>&) { return true; };
    prompts.saveFiles = {ws.file(s("acme.xml"))};
    ASSERT_TRUE(exporter.save(PadVersion::V4_0, exporter.storedDetails(), PadValues()));
    const QByteArray exported = ws.read(s("acme.xml"));
    // The notes to the reviewer never leave the workspace.
    EXPECT_FALSE(exported.contains("REGCODE"));
    EXPECT_FALSE(ws.read(s("data/Acme Tool.pad.xml")).contains("REGCODE"));

    prompts.saveAnswers = {Answer::Yes, Answer::Yes};
    ASSERT_TRUE(model->padImporter().importPath(ws.file(s("acme.xml"))));
    const auto after = snapshot();
    for (auto it = before.constBegin(); it != before.constEnd(); ++it)
        EXPECT_EQ(QString::fromLatin1(after.value(it.key())), QString::fromLatin1(it.value())) << qPrintable(it.key());
    for (const PadImportRow& row : previews.last())
        EXPECT_TRUE(row.kind == PadImportRow::Kind::Unchanged || row.kind == PadImportRow::Kind::Detail)
            << qPrintable(row.field);
}

TEST_F(PadImportTest, ExportFollowsUnsavedEditsAndTheChosenRules)
{
    writeRecords();
    startWithPreview();
    PadExporter& exporter = model->padExporter();
    model->application().setField(AppField::Version, s("3.1"));
    const PadValues v4 = exporter.values(PadVersion::V4_0, PadValues(), PadValues());
    EXPECT_EQ(v4.value(p("Program_Info/Program_Version")), s("3.1"));

    // The company's https address passes the 4.0 rules and fails only those of 3.11.
    const auto failsOnWebsite = [&](PadVersion version) {
        for (const PadFailure& f : PadExporter::check(exporter.values(version, PadValues(), PadValues()), version))
            if (f.path == p("Company_Info/Company_WebSite_URL"))
                return true;
        return false;
    };
    EXPECT_FALSE(failsOnWebsite(PadVersion::V4_0));
    EXPECT_TRUE(failsOnWebsite(PadVersion::V3_11));

    // "Cancel" at the check writes nothing; the edits are kept only with a written file.
    PadValues edits;
    edits.set(p("Program_Descriptions/English/Keywords"), s("tidy, files"));
    exporter.confirmFailures = [](const QList<PadFailure>&) { return false; };
    prompts.saveFiles = {ws.file(s("out.xml"))};
    EXPECT_FALSE(exporter.save(PadVersion::V3_11, PadValues(), edits));
    EXPECT_FALSE(ws.exists(s("out.xml")));
    EXPECT_FALSE(ws.exists(s("data/Acme Tool.pad.xml")));
    exporter.confirmFailures = [](const QList<PadFailure>&) { return true; };
    prompts.saveFiles = {ws.file(s("out.xml"))};
    ASSERT_TRUE(exporter.save(PadVersion::V3_11, PadValues(), edits));
    EXPECT_EQ(exporter.storedDetails().value(p("Program_Descriptions/English/Keywords")), s("tidy, files"));
    const QByteArray written = ws.read(s("out.xml"));
    EXPECT_FALSE(written.contains('\r'));
    QProcess lint;
    lint.start(s("xmllint"), {s("--noout"), ws.file(s("out.xml"))});
    ASSERT_TRUE(lint.waitForFinished(30000));
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().constData();
}

TEST_F(PadImportTest, FullFilesComeBackFromAnExportAsTheyWere)
{
    for (const auto& [name, version] :
         {std::pair{"full-3.11.xml", PadVersion::V3_11}, std::pair{"full-4.0.xml", PadVersion::V4_0}}) {
        TestWorkspace fresh;
        FakePrompts freshPrompts;
        MainModel fresh_model(freshPrompts, fresh.path(), fresh.settingsFile());
        fresh_model.startWorkspace();
        fresh_model.formShow();
        const QString file = QStringLiteral(ZENTREL_SOURCE_DIR "/tests/pad/corpus/") + QLatin1String(name);
        ASSERT_TRUE(fresh_model.padImporter().importPath(file)) << name << freshPrompts.shown.join(u'\n').toStdString();

        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const PadReadResult original = PadDocument::read(in.readAll());
        ASSERT_TRUE(original.error.isEmpty());
        PadExporter& exporter = fresh_model.padExporter();
        const PadValues out = exporter.values(version, exporter.storedDetails(), PadValues());
        for (const PadEntry& e : original.values.entries()) {
            if (e.path.startsWith(p("MASTER_PAD_VERSION_INFO/MASTER_PAD_EDITOR")) || e.path.startsWith(p("Signature")))
                continue;
            EXPECT_EQ(out.value(e.path), e.value) << name << " " << qPrintable(e.path);
        }
        EXPECT_TRUE(PadExporter::check(out, version).isEmpty()) << name;
    }
}

TEST_F(PadImportTest, AFileFetchedFromTheWebIsImportedAndItsAddressKept)
{
    writeRecords();
    startWithPreview();
    PadTestServer server(QStringLiteral(ZENTREL_SOURCE_DIR "/tests/pad/corpus/fetch-sample.xml"));
    ASSERT_TRUE(server.started());
    const auto before = snapshot();

    // A refusal leaves everything as it was.
    PadFetch fetch(model->settings());
    EXPECT_FALSE(model->padImporter().importUrl(server.url(s("/missing")), fetch));
    EXPECT_TRUE(prompts.messages().contains(s("error: The server answered 404 Not Found; nothing was imported.")));
    EXPECT_EQ(snapshot(), before);

    const QString address = server.url(s("/redirect/2"));
    ASSERT_TRUE(model->padImporter().importUrl(address, fetch)) << prompts.shown.join(u'\n').toStdString();
    EXPECT_EQ(model->padImporter().keptPadUrl(), address);
}

TEST_F(PadImportTest, ReplacingFollowsTheExactNameTheFilesCompanyAndItsOwnDetails)
{
    writeRecords();
    ws.write(s("data/Applications.dat"), "Acme Tool\r\nacme tool\r\n");
    ws.write(s("data/acme tool.dat"), "[COMPANY]\r\nCONAME=Acme Software\r\n[APPINFO]\r\nVERSION=0.1\r\n");
    startWithPreview();
    prompts.saveAnswers = {Answer::Yes};
    model->padImporter().importPath(writeImportFile(padFile({{"Company_Info/Company_Name", "New Co"},
                                                             {"Program_Info/Program_Name", "acme tool"},
                                                             {"Program_Info/Program_Version", "9.9"},
                                                             {"Program_Info/Program_OS_Support", "WinXP,Linux"},
                                                             {"Program_Descriptions/English/Keywords", "one"}})));
    prompts.saveAnswers = {Answer::Yes, Answer::Yes};
    ASSERT_TRUE(model->padImporter().importPath(writeImportFile(padFile({{"Company_Info/Company_Name", "New Co"},
                                                                         {"Program_Info/Program_Name", "acme tool"},
                                                                         {"Program_Info/Program_Version", "9.9"},
                                                                         {"Program_Info/Program_OS_Support",
                                                                          "Win2000,WinXP,WinVista,Win7 x32,Win7 x64,"
                                                                          "Windows 8"}}))));
    EXPECT_TRUE(ws.read(s("data/Acme Tool.dat")).contains("VERSION=1.0\r\n"));
    EXPECT_TRUE(ws.read(s("data/acme tool.dat")).contains("VERSION=9.9\r\n"));
    EXPECT_TRUE(ws.read(s("data/acme tool.dat")).contains("CONAME=New Co\r\n"));
    EXPECT_EQ(model->application().name(), s("acme tool"));
    EXPECT_EQ(company().name(), s("New Co"));
    // The second file's values, not those the first one left.
    const PadValues details = model->padExporter().storedDetails();
    EXPECT_FALSE(details.contains(p("Program_Info/Program_OS_Support")));
    EXPECT_TRUE(details.contains(p("Program_Descriptions/English/Keywords")));
    EXPECT_TRUE(model->padExporter()
                    .values(PadVersion::V4_0, details, PadValues())
                    .value(p("Program_Info/Program_OS_Support"))
                    .startsWith(s("Win2000")));
}

TEST_F(PadImportTest, ANewImportStartsClearAndAReplaceKeepsTheExportChoicesTheFileLeavesOpen)
{
    writeRecords();
    startWithPreview();
    // The requirements typed for the application shown are none of the new one's.
    model->application().setSpecialRequirements(s("DirectX 9"));
    ASSERT_TRUE(model->padImporter().importPath(writeImportFile(padFile({{"Company_Info/Company_Name", "Other Co"},
                                                                         {"Program_Info/Program_Name", "Beta Tool"},
                                                                         {"Program_Info/Program_Release_Status",
                                                                          "Beta"}}))));
    EXPECT_EQ(model->application().name(), s("Beta Tool"));
    EXPECT_EQ(model->application().specialRequirements(), QString());
    EXPECT_EQ(model->application().field(AppField::Status), s("Beta"));

    // The type a beta is released as, chosen at an export, outlives a file that does not say it.
    PadExporter& exporter = model->padExporter();
    exporter.confirmFailures = [](const QList<PadFailure>&) { return true; };
    PadValues edits;
    edits.set(p("Program_Info/Program_Type"), s("Freeware"));
    prompts.saveFiles = {ws.file(s("beta.xml"))};
    ASSERT_TRUE(exporter.save(PadVersion::V4_0, exporter.storedDetails(), edits));
    prompts.saveAnswers = {Answer::Yes, Answer::Yes};
    ASSERT_TRUE(model->padImporter().importPath(writeImportFile(padFile({{"Company_Info/Company_Name", "Other Co"},
                                                                         {"Program_Info/Program_Name", "Beta Tool"},
                                                                         {"Program_Info/Program_Version", "0.9"}}),
                                                                "again.xml")));
    EXPECT_EQ(exporter.values(PadVersion::V4_0, exporter.storedDetails(), PadValues())
                  .value(p("Program_Info/Program_Type")),
              s("Freeware"));
}
