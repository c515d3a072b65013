// Saves the records of a workspace over and over, each round a new version
// that can be told from every other, until it is killed or reaches the last.
//
//   save_loop <workspace> <first version> <last version> [<manifest>]
//
// The workspace holds the company "Acme", the application "Tool" and the
// catalogue sites "Site000"...; the program's own objects load and save them.
// It prints "loaded <tab> <version field> <tab> <first description line>" once
// the records are loaded, then "saved <version>" after each complete round.
// With a manifest it appends, after the load (version 0) and after each round,
// one line per record file: "<version> <tab> <relative path> <tab> <SHA-256>",
// "-" for a file that does not exist. Anything the load told the user is
// printed as "prompt <tab> <text>".

#include "engines/TEngBuild.h"
#include "records/ZentrelError.h"
#include "submit/ApplicationSiteList.h"
#include "workflow/MainModel.h"

#include "FakePrompts.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

const QString AppName = QStringLiteral("Tool");
const QString SiteName = QStringLiteral("Site000");

// A value of `length` characters that starts with the version.
QString filled(const QString& head, int length)
{
    QString text = head;
    while (text.size() < length)
        text += QStringLiteral(" 0123456789abcdefghijklmnopqrstuvwxyz");
    return text.left(length);
}

QStringList numberedLines(const QString& what, int version, int count, int length)
{
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines << filled(QStringLiteral("v%1 %2 %3").arg(version).arg(what).arg(i), length);
    return lines;
}

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QStringList recordFiles(MainModel& model)
{
    TGWide& ws = model.workspace();
    TEngBuild& engine = *model.engine();
    QStringList files = {
        model.application().recordFile(AppName, QStringLiteral(".dat")),
        model.application().recordFile(AppName, QStringLiteral(".lds")),
        model.application().recordFile(AppName, QStringLiteral(".nts")),
        model.company().recordFile(QStringLiteral("Acme")),
        ApplicationSiteList::fileName(ws.DataDir(), AppName),
        engine.definitionFile(SiteName),
        engine.primaryCategoryFile(SiteName),
    };
    for (int s = 0; s < SiteScriptCount; ++s)
        files << engine.scriptFile(SiteName, SiteScript(s));
    return files;
}

void writeManifest(QFile& manifest, MainModel& model, const QDir& root, int version)
{
    QByteArray lines;
    for (const QString& file : recordFiles(model)) {
        QFile f(file);
        QByteArray hash = "-";
        if (f.open(QIODevice::ReadOnly))
            hash = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        lines += QByteArray::number(version) + '\t' + root.relativeFilePath(file).toUtf8() + '\t' + hash + '\n';
    }
    manifest.write(lines);
    manifest.flush();
}

// One round: every record written again with the version inside.
void saveVersion(MainModel& model, int version)
{
    const QString v = QString::number(version);
    CompanyRecord& company = model.company();
    company.setField(CompanyField::Contact, QStringLiteral("Contact ") + v);
    company.setField(CompanyField::Address, filled(QStringLiteral("Address v") + v, 1000));
    company.setField(CompanyField::HomePage, QStringLiteral("http://127.0.0.1/acme/v") + v);

    ApplicationRecord& app = model.application();
    app.setField(AppField::Version, v);
    app.setField(AppField::ShortDesc, filled(QStringLiteral("Tool version ") + v, 400));
    for (AppField f : {AppField::AppUrl, AppField::Dl1_32, AppField::Dl2_32, AppField::Dl3_32, AppField::Path})
        app.setField(f, filled(QStringLiteral("http://127.0.0.1/v%1/%2").arg(v, ApplicationRecord::fieldKey(f)), 1000));
    // Just under the size the program still loads, so every restart reads it back.
    app.setLongDescription(numberedLines(QStringLiteral("description"), version, 9900, 99));
    app.setNotes(numberedLines(QStringLiteral("notes"), version, 20, 60));
    model.saveApplication();

    ApplicationSiteList& list = model.siteList();
    for (int row = 0; row < list.rowCount(); ++row) {
        list.setCurrentRow(row);
        list.setSubmitNew((row + version) % 5 == 0);
    }
    list.Save(AppName);

    TEngBuild& engine = *model.engine();
    SiteDefinition& site = engine.site();
    site.httpNewScriptUrl = QStringLiteral("http://127.0.0.1/submit/v") + v;
    site.emailSubject = filled(QStringLiteral("Submission v") + v, 200);
    site.primaryCategories = numberedLines(QStringLiteral("category"), version, 2000, 40);
    for (int s = 0; s < SiteScriptCount; ++s)
        site.scripts[size_t(s)] = numberedLines(SiteDefinition::scriptSuffix(SiteScript(s)), version, 300, 70);
    engine.SaveSite(SiteName);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: save_loop <workspace> <first version> <last version> [<manifest>]\n", stderr);
        return 2;
    }
    const QDir root(args[1]);
    const int first = args[2].toInt();
    const int last = args[3].toInt();
    QFile manifest;
    if (args.size() > 4) {
        manifest.setFileName(args[4]);
        if (!manifest.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fputs("cannot open the manifest\n", stderr);
            return 2;
        }
    }

    FakePrompts prompts;
    try {
        MainModel model(prompts, root.path() + u'/', root.filePath(QStringLiteral("user-settings.ini")));
        model.startWorkspace();
        model.formShow();
        if (model.application().name() != AppName || !model.engine()) {
            std::fputs("the workspace does not hold the application\n", stderr);
            return 2;
        }
        model.engine()->LoadSite(SiteName);
        // A load that complained about a record file is a fault the test sees.
        for (const QString& line : prompts.messages())
            say(QStringLiteral("prompt\t") + line);
        prompts.shown.clear();
        const QStringList description = model.application().longDescription();
        say(QStringLiteral("loaded\t%1\t%2")
                .arg(model.application().field(AppField::Version), description.value(0)));
        if (manifest.isOpen() && first == 1)
            writeManifest(manifest, model, root, 0);
        for (int version = first; version <= last; ++version) {
            saveVersion(model, version);
            if (manifest.isOpen())
                writeManifest(manifest, model, root, version);
            say(QStringLiteral("saved %1").arg(version));
        }
    } catch (const ZentrelError& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    for (const QString& line : prompts.messages())
        std::fprintf(stderr, "prompt: %s\n", line.toLocal8Bit().constData());
    return prompts.messages().isEmpty() ? 0 : 1;
}
