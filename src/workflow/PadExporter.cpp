#include "workflow/PadExporter.h"

#include "pad/PadDetails.h"
#include "pad/PadDocument.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "workflow/MainModel.h"

#include <QSaveFile>

PadExporter::PadExporter(MainModel& model) : m_model(model) {}

bool PadExporter::canExport()
{
    if (!m_model.hasWorkspace() || m_model.application().name().isEmpty()) {
        m_model.prompts().beep();
        m_model.prompts().error(
            QStringLiteral("You have not entered or selected an application yet. Please do so now!"));
        return false;
    }
    return true;
}

PadRecordValues PadExporter::records() const
{
    PadRecordValues values;
    const CompanyRecord& company = m_model.company();
    values.set(QStringLiteral("CONAME"), company.name());
    for (int i = 0; i < CompanyFieldCount; ++i)
        values.set(CompanyRecord::fieldKey(CompanyField(i)), company.field(CompanyField(i)));
    const ApplicationRecord& app = m_model.application();
    values.set(QStringLiteral("NAME"), app.name());
    for (int i = 0; i < AppFieldCount; ++i)
        values.set(ApplicationRecord::fieldKey(AppField(i)), app.field(AppField(i)));
    values.set(PadRecordValues::LongDescription, app.longDescription().join(u'\n'));
    values.set(PadRecordValues::SpecialRequirements, app.specialRequirements());
    // The notes to the reviewer hold registration codes: they never leave the workspace.
    return values;
}

PadValues PadExporter::storedDetails()
{
    const QString app = m_model.application().name();
    if (app.isEmpty() || !m_model.hasWorkspace())
        return PadValues();
    try {
        return PadDetails::load(m_model.workspace().DataDir(), app);
    } catch (const ZentrelError& e) {
        m_model.prompts().error(e.text());
        return PadValues();
    }
}

namespace {

PadValues merged(const PadValues& details, const PadValues& edits)
{
    PadValues all = details;
    for (const PadEntry& e : edits.entries())
        all.set(e.path, e.value);
    return all;
}

} // namespace

PadValues PadExporter::values(PadVersion version, const PadValues& details, const PadValues& edits) const
{
    PadValues out = PadMapping::exportValues(records(), merged(details, edits), version);
    // What the user set in the dialog is written as set, but for the fields the
    // records hold: those are written only when they import to what the records
    // say, so the file never claims another platform or status.
    const QStringList mapped = PadMapping::mappedPaths();
    for (const PadEntry& e : edits.entries())
        if (!mapped.contains(e.path))
            out.set(e.path, e.value);
    return out;
}

QList<PadFailure> PadExporter::check(const PadValues& values, PadVersion version)
{
    return PadRules::check(values, version);
}

void PadExporter::writeFile(const QString& fileName, const PadValues& values, PadVersion version)
{
    QSaveFile file(fileName);
    const QByteArray bytes = PadDocument::write(values, PadRules::order(version));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw ZentrelError(u"Cannot create file " + fileName);
}

bool PadExporter::save(PadVersion version, const PadValues& details, const PadValues& edits, const PadValues& kept)
{
    UserPrompts& prompts = m_model.prompts();
    const QString file = prompts.saveFile(QStringLiteral("Export PAD File"),
                                          QStringLiteral("PAD files (*.xml);;All files (*)"), QStringLiteral("xml"));
    if (file.isEmpty())
        return false;
    const PadValues out = values(version, details, edits);
    const QList<PadFailure> failures = check(out, version);
    if (!failures.isEmpty() && !(confirmFailures && confirmFailures(failures)))
        return false;
    try {
        BusyCursor busy(prompts);
        writeFile(file, out, version);
    } catch (const ZentrelError& e) {
        prompts.error(e.text());
        return false;
    }
    // What the user set is kept for the next export, but never over details
    // that could not be read: they stay for the user to look at.
    const QString dataDir = m_model.workspace().DataDir();
    const QString app = m_model.application().name();
    try {
        PadDetails::load(dataDir, app);
        PadDetails::save(dataDir, app, merged(merged(details, edits), kept));
    } catch (const ZentrelError& e) {
        prompts.error(e.text() + QStringLiteral(" The choices of this export were not kept."));
    }
    return true;
}

QStringList PadExporter::editedPaths()
{
    QStringList paths;
    for (const char* p :
         {"Program_Info/Program_Type", "Program_Info/Program_Release_Status", "Program_Info/Program_OS_Support",
          "Program_Info/Program_Language", "Program_Info/Program_Category_Class",
          "Program_Descriptions/English/Keywords", "Program_Descriptions/English/Char_Desc_80",
          "Program_Descriptions/English/Char_Desc_250", "Program_Descriptions/English/Char_Desc_450",
          "Web_Info/Application_URLs/Application_XML_File_URL", "Web_Info/Application_URLs/Application_Order_URL",
          "Company_Info/Contact_Info/Author_First_Name", "Company_Info/Contact_Info/Author_Last_Name",
          "Program_Info/Program_Change_Info"})
        paths << PadMapping::path(p);
    return paths;
}
