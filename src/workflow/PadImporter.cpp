#include "workflow/PadImporter.h"

#include "pad/PadDetails.h"
#include "pad/PadDocument.h"
#include "pad/PadText.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"
#include "services/PadFetch.h"
#include "workflow/MainModel.h"
#include "workflow/PadExporter.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString TooLarge = QStringLiteral("The PAD file is larger than 1 MB; nothing was imported.");

// What a record file holds now; empty values when there is none.
PadRecordValues storedRecords(MainModel& model, const QString& company, const QString& application)
{
    PadRecordValues values;
    const auto section = [](const QString& file, const QString& name) {
        const auto bytes = FileStore::readIfExists(file, FileLimits::Profile);
        return IniDocument::sectionOf(bytes.value_or(QByteArray()), name);
    };
    if (!company.isEmpty()) {
        const IniSection s = section(model.company().recordFile(company), QStringLiteral("COMPANY"));
        for (int i = 0; i < CompanyFieldCount; ++i) {
            const QString key = CompanyRecord::fieldKey(CompanyField(i));
            values.set(key, s.ReadString(key, QString()));
        }
    }
    values.set(QStringLiteral("CONAME"), company);
    if (!application.isEmpty()) {
        ApplicationRecord& app = model.application();
        const IniSection s = section(app.recordFile(application, QStringLiteral(".dat")), QStringLiteral("APPINFO"));
        for (int i = 0; i < AppFieldCount; ++i) {
            const QString key = ApplicationRecord::fieldKey(AppField(i));
            values.set(key, s.ReadString(key, QString()));
        }
        const auto lines = ListFile::loadIfExists(app.recordFile(application, QStringLiteral(".lds")),
                                                  FileLimits::LongText);
        values.set(PadRecordValues::LongDescription, lines.value_or(QStringList()).join(u'\n'));
        if (application == app.name())
            values.set(PadRecordValues::SpecialRequirements, app.specialRequirements());
    } else {
        values.set(QStringLiteral("DSTATUS"), QStringLiteral("Author"));
    }
    values.set(QStringLiteral("NAME"), application);
    return values;
}

// The preview's lines for what the reader itself changed.
QList<PadImportRow> readerRows(const QStringList& notes)
{
    QList<PadImportRow> rows;
    for (const QString& note : notes)
        rows.append({QStringLiteral("—"), QString(), QStringLiteral("—"), QString(), PadImportRow::Kind::Guess, note});
    return rows;
}

} // namespace

PadImporter::PadImporter(MainModel& model) : m_model(model) {}

bool PadImporter::importFile()
{
    const QString file = m_model.prompts().openFile(QStringLiteral("Import PAD File"),
                                                    QStringLiteral("PAD files (*.xml);;All files (*)"),
                                                    QStringLiteral("xml"));
    if (file.isEmpty())
        return false;
    return importPath(file);
}

bool PadImporter::importPath(const QString& path)
{
    QFile file(path);
    // A file past the limit is never read into memory.
    if (QFileInfo(path).size() > PadDocument::MaxBytes) {
        m_model.prompts().error(TooLarge);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_model.prompts().error(u"Cannot open file " + path);
        return false;
    }
    const QByteArray bytes = file.read(PadDocument::MaxBytes + 1);
    if (bytes.size() > PadDocument::MaxBytes) {
        m_model.prompts().error(TooLarge);
        return false;
    }
    return importBytes(bytes, QFileInfo(path).fileName());
}

bool PadImporter::importUrl(const QString& url, PadFetch& fetch)
{
    const PadFetchResult got = fetch.fetch(url.trimmed());
    if (got.cancelled)
        return false;
    if (!got.error.isEmpty()) {
        m_model.prompts().error(got.error);
        return false;
    }
    return importBytes(got.bytes, url.trimmed(), url.trimmed());
}

QString PadImporter::keptPadUrl() const
{
    const QString app = m_model.application().name();
    if (app.isEmpty() || !m_model.hasWorkspace())
        return QString();
    try {
        return PadDetails::load(m_model.workspace().DataDir(), app).value(QLatin1String(PadMapping::PadFileUrlPath));
    } catch (const ZentrelError&) {
        return QString();
    }
}

bool PadImporter::importBytes(const QByteArray& bytes, const QString& source, const QString& url)
{
    UserPrompts& prompts = m_model.prompts();
    if (!m_model.hasWorkspace())
        return false;
    const PadReadResult read = PadDocument::read(bytes);
    if (!read.error.isEmpty()) {
        prompts.error(read.error);
        return false;
    }
    // What is shown now gives way to the imported application.
    if (!m_model.recordsSaveQuery())
        return false;

    ChooserList& companies = m_model.companyChooser();
    ChooserList& applications = m_model.applicationChooser();
    const QString fileCompany = PadMapping::companyName(read.values);
    const QString fileApp = PadMapping::applicationName(read.values);
    const int listedCompany = fileCompany.isEmpty() ? -1 : companies.indexOf(fileCompany, Qt::CaseInsensitive);
    const int listedApp = fileApp.isEmpty() ? -1 : applications.indexOf(fileApp);
    const QString companyNow = listedCompany >= 0 ? companies.names().at(listedCompany) : QString();
    const QString appNow = listedApp >= 0 ? fileApp : QString();

    PadImport plan;
    try {
        plan = PadMapping::importValues(read.values, storedRecords(m_model, companyNow, appNow));
    } catch (const ZentrelError& e) {
        prompts.error(e.text());
        return false;
    }
    if (preview) {
        QList<PadImportRow> rows = readerRows(read.notes);
        rows.append(plan.rows);
        if (!preview(source, rows))
            return false;
    }

    // Where the company goes: an existing one replaced or used as it is, or a new one.
    enum class Mode { New, Replace, Keep };
    Mode companyMode = Mode::New;
    QString companyName = fileCompany;
    if (listedCompany >= 0) {
        companyName = companyNow;
        prompts.beep();
        switch (prompts.askSave(
            QStringLiteral("The company %1 already exists. Replace its details with those in the PAD file?")
                .arg(companyName))) {
        case UserPrompts::Answer::Yes: companyMode = Mode::Replace; break;
        case UserPrompts::Answer::No: companyMode = Mode::Keep; break;
        case UserPrompts::Answer::Cancel: return false;
        }
    } else if (!WorkspacePath::isSafeName(companyName)) {
        const auto typed = companies.askNewName(prompts, QStringLiteral("New Company Name"),
                                                QStringLiteral("COMPANY NAME DUPLICATE"),
                                                QStringLiteral("The company name you entered is already on the list!"));
        if (!typed)
            return false;
        companyName = *typed;
    }

    Mode appMode = Mode::New;
    QString appName = fileApp;
    const auto askAppName = [&] {
        return applications.askNewName(prompts, QStringLiteral("New Application Name"),
                                       QStringLiteral("APP NAME DUPLICATE"),
                                       QStringLiteral("The App name you entered is already on the list!"));
    };
    if (listedApp >= 0) {
        prompts.beep();
        switch (prompts.askSave(
            QStringLiteral("The application %1 already exists. Replace its details with those in the PAD file?")
                .arg(appName))) {
        case UserPrompts::Answer::Yes: appMode = Mode::Replace; break;
        case UserPrompts::Answer::No: {
            const auto typed = askAppName();
            if (!typed)
                return false;
            appName = *typed;
            break;
        }
        case UserPrompts::Answer::Cancel: return false;
        }
    } else if (!WorkspacePath::isSafeName(appName)) {
        const auto typed = askAppName();
        if (!typed)
            return false;
        appName = *typed;
    }

    try {
        BusyCursor busy(prompts);
        // The import is worked out again for the records it now goes into.
        plan = PadMapping::importValues(
            read.values, storedRecords(m_model, companyMode == Mode::New ? QString() : companyName,
                                       appMode == Mode::Replace ? appName : QString()));
        const PadRecordValues& result = plan.records;
        const QStringList keys = PadMapping::importedKeys();

        // Names are chosen exactly: another record may differ only in case.
        const auto showApplication = [&] {
            applications.setCurrentIndex(applications.indexOf(appName));
            m_model.application().LoadApplication();
        };
        ApplicationRecord& app = m_model.application();
        PadValues details;
        if (appMode == Mode::New) {
            // A list left behind by an earlier application of the name is none of this one's choices.
            if (WorkspacePath::isSafeName(appName))
                QFile::remove(app.recordFile(appName, QStringLiteral("_SITES.dat")));
            const int at = applications.add(appName);
            m_model.settings().lastAppLoaded = appName;
            m_model.workspace().SaveApplicationList();
            applications.setCurrentIndex(at);
            // A new application starts from nothing but what the file gives.
            for (int i = 0; i < AppFieldCount; ++i)
                app.setField(AppField(i), QString());
            app.setNotes({});
            app.setSpecialRequirements(QString());
            app.setField(AppField::DistStatus, QStringLiteral("Author"));
        } else {
            showApplication();
            // What the user chose in the export dialog and the file does not say stays;
            // an export writes such a choice only while it agrees with the records.
            try {
                const PadValues old = PadDetails::load(m_model.workspace().DataDir(), appName);
                for (const QString& path : PadExporter::editedPaths())
                    if (old.contains(path) && !read.values.contains(path))
                        details.set(path, old.value(path));
            } catch (const ZentrelError&) {
                // Details that cannot be read are replaced by the file's.
            }
        }

        // The company after the application, whose load shows the company it had.
        CompanyRecord& company = m_model.company();
        if (companyMode == Mode::New) {
            companies.add(companyName);
            m_model.workspace().SaveCompanyList();
        }
        company.ClearCompanyFields();
        companies.setCurrentIndex(companies.indexOf(companyName));
        company.LoadCompany();
        if (companyMode != Mode::Keep) {
            for (int i = 0; i < CompanyFieldCount; ++i) {
                const auto f = CompanyField(i);
                if (keys.contains(CompanyRecord::fieldKey(f)))
                    company.setField(f, result.value(CompanyRecord::fieldKey(f)));
            }
            company.SaveCompany();
        }

        for (int i = 0; i < AppFieldCount; ++i) {
            const auto f = AppField(i);
            if (keys.contains(ApplicationRecord::fieldKey(f)))
                app.setField(f, result.value(ApplicationRecord::fieldKey(f)));
        }
        const QString longDescription = result.value(PadRecordValues::LongDescription);
        app.setLongDescription(longDescription.isEmpty() ? QStringList() : longDescription.split(u'\n'));
        app.SaveApplication();

        for (const PadEntry& e : plan.details.entries())
            details.set(e.path, e.value);
        const QString padUrl = QLatin1String(PadMapping::PadFileUrlPath);
        // A file that does not name its own address is known by the one it came from.
        if (!url.isEmpty() && !read.values.contains(padUrl))
            details.set(padUrl, url);
        PadDetails::save(m_model.workspace().DataDir(), appName, details);

        // The imported application is shown as a load shows it, with its company and a site list of its own.
        showApplication();
        const QString requirements = result.value(PadRecordValues::SpecialRequirements);
        if (!requirements.isEmpty())
            app.setSpecialRequirements(requirements);
        company.setChanged(false);
        app.setChanged(false);
    } catch (const ZentrelError& e) {
        prompts.error(e.text());
        return false;
    }
    return true;
}
