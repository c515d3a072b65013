#include "records/ApplicationRecord.h"

#include "records/ChooserList.h"
#include "records/CompanyRecord.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/ProgramSettings.h"
#include "records/TGWide.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"

#include <QFile>

#include <algorithm>

namespace {

const QString CompanySection = QStringLiteral("COMPANY");
const QString AppSection = QStringLiteral("APPINFO");

constexpr const char* FieldKeys[AppFieldCount] = {
    "FILENAME", "8CHAR", "VERSION", "DAY", "MONTH", "YEAR", "PLATFORM", "DSTATUS",
    "SIZE32", "INSTSIZE32", "SIZE16", "INSTSIZE16", "PRICE", "STATUS", "EVAL", "XDATE", "XDAYS", "installer",
    "APPURL", "DL1_32", "DL2_32", "DL3_32", "DL4_32", "DL1_16", "DL2_16", "DL3_16", "DL4_16",
    "SHOT", "GIF", "ICO", "PATH", "ICOPATH", "GIFPATH", "SCREENPATH", "OTHERPATH", "SHORTDESC",
};

// Kept by New Application, so a new record starts with the shown one's choices.
constexpr AppField KeptFields[] = {
    AppField::Platform, AppField::DistStatus, AppField::Status, AppField::Installer,
    AppField::IcoPath, AppField::GifPath, AppField::ScreenPath, AppField::OtherPath,
};

QStringList list(std::initializer_list<const char*> entries)
{
    QStringList result;
    for (const char* e : entries)
        result << QLatin1String(e);
    return result;
}

} // namespace

namespace AppLists {
QStringList platforms() { return list({"Windows 3.1", "Windows 95", "Windows NT", "Windows 95 and NT"}); }
QStringList submitters() { return list({"Author", "Distributor", "Dealer", "User"}); }
QStringList statuses()
{
    return list({"Feature Limit Demo", "Time Limit Demo", "Public Domain", "Freeware", "Shareware", "Beta"});
}
QStringList installs()
{
    return list({"No Install Feature", "Install Feature Only", "Uninstall Feature Only", "Install/Uninstall"});
}
} // namespace AppLists

ApplicationRecord::ApplicationRecord(ChooserList& chooser, CompanyRecord& company, ProgramSettings& settings,
                                     UserPrompts& prompts, QObject* parent)
    : QObject(parent), m_chooser(chooser), m_company(company), m_settings(settings), m_prompts(prompts)
{
}

QString ApplicationRecord::fieldKey(AppField f)
{
    return QLatin1String(FieldKeys[int(f)]);
}

QString ApplicationRecord::recordFile(const QString& appName, const QString& suffix) const
{
    return WorkspacePath::file(m_workspace->DataDir(), appName, suffix);
}

QString ApplicationRecord::name() const
{
    return m_chooser.currentText();
}

void ApplicationRecord::setField(AppField f, const QString& text)
{
    QString& current = m_fields[size_t(f)];
    if (current == text)
        return;
    current = text;
    emit fieldChanged(f, text);
    setChanged(true);
}

void ApplicationRecord::setLongDescription(const QStringList& lines)
{
    if (m_longDescription == lines)
        return;
    m_longDescription = lines;
    emit longDescriptionChanged(lines);
    setChanged(true);
}

void ApplicationRecord::setNotes(const QStringList& lines)
{
    if (m_notes == lines)
        return;
    m_notes = lines;
    emit notesChanged(lines);
    setChanged(true);
}

void ApplicationRecord::setSpecialRequirements(const QString& text)
{
    if (m_specialRequirements == text)
        return;
    m_specialRequirements = text;
    emit specialRequirementsChanged(text);
}

void ApplicationRecord::setChanged(bool changed)
{
    if (m_changed == changed)
        return;
    m_changed = changed;
    emit changedMarkChanged(changed);
}

QString ApplicationRecord::LongDate(const QString& day, const QString& month, const QString& year)
{
    static const char* const Months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QString text;
    if (!day.isEmpty())
        text = day + u'-';
    bool ok = false;
    if (!month.isEmpty()) {
        const int m = month.toInt(&ok);
        if (ok && m >= 1 && m <= 12)
            text += QLatin1String(Months[m - 1]) + u'-';
    }
    // A part that is not a number is left out; the rest of the date still shows.
    if (!year.isEmpty()) {
        const int y = year.toInt(&ok);
        if (ok && y < 80)
            text += QStringLiteral("20") + year;
        else if (ok && y < 100)
            text += QStringLiteral("19") + year;
    }
    return text;
}

void ApplicationRecord::RecomputeLongDate()
{
    const QString date = LongDate(field(AppField::Day), field(AppField::Month), field(AppField::Year));
    if (date == m_longDate)
        return;
    m_longDate = date;
    emit longDateChanged(date);
}

bool ApplicationRecord::Check8CharName()
{
    const QString text = field(AppField::Char8);
    for (QChar c : {u' ', u'.', u'/', u'(', u')'}) {
        if (text.contains(c)) {
            m_prompts.error(QStringLiteral("You can only have alpha-numeric values in this field."));
            setField(AppField::Char8, QString());
            return false;
        }
    }
    setField(AppField::Char8, text.toLower());
    return true;
}

void ApplicationRecord::ClearApplicationFields()
{
    for (int i = 0; i < AppFieldCount; ++i) {
        const auto f = AppField(i);
        if (std::find(std::begin(KeptFields), std::end(KeptFields), f) == std::end(KeptFields))
            setField(f, QString());
    }
    setSpecialRequirements(QString());
    setLongDescription({});
    setNotes({});
}

void ApplicationRecord::LoadApplication()
{
    const QString shown = name();
    if (shown.isEmpty() || !m_workspace || !WorkspacePath::isSafeName(shown))
        return;
    BusyCursor busy(m_prompts);
    m_settings.lastAppLoaded = shown;
    // A problem is told once while the same application is loaded again and again
    // (the start-up and the window's first show both load it).
    if (m_reportedFor != shown) {
        m_reportedFor = shown;
        m_reported.clear();
    }
    const auto report = [this](const QString& message) {
        if (!m_reported.contains(message)) {
            m_reported.insert(message);
            m_prompts.error(message);
        }
    };

    // A file far too large to use is reported, not loaded, and left as it is.
    QByteArray record;
    try {
        record = FileStore::readIfExists(recordFile(shown, QStringLiteral(".dat")), FileLimits::Profile)
                     .value_or(QByteArray());
    } catch (const FileTooLarge& e) {
        report(e.text());
    } catch (const ZentrelError&) {
        // A record that cannot be read shows empty fields.
    }
    const IniSection app = IniDocument::sectionOf(record, AppSection);
    for (int i = 0; i < AppFieldCount; ++i)
        setField(AppField(i), app.ReadString(fieldKey(AppField(i)), QString()));
    const auto readText = [&](const QString& suffix, bool& held) -> std::optional<QStringList> {
        held = false;
        try {
            return ListFile::loadIfExists(recordFile(shown, suffix), FileLimits::LongText);
        } catch (const FileTooLarge& e) {
            held = true;
            report(e.text());
            return QStringList();
        }
    };
    if (auto lines = readText(QStringLiteral(".lds"), m_longDescriptionHeld))
        setLongDescription(*lines);
    if (auto lines = readText(QStringLiteral(".nts"), m_notesHeld))
        setNotes(*lines);
    RecomputeLongDate();

    m_company.SelectCompanyByName(
        IniDocument::sectionOf(record, CompanySection).ReadString(QStringLiteral("CONAME"), QString()));
    emit applicationLoaded(shown);
}

void ApplicationRecord::SaveApplication()
{
    const QString shown = name();
    if (shown.isEmpty())
        return;
    BusyCursor busy(m_prompts);
    const QString companyName = m_company.name();
    TIniFile(recordFile(shown, QStringLiteral(".dat"))).Update([&](IniDocument& document) {
        document.setValue(CompanySection, QStringLiteral("CONAME"), companyName);
        for (int i = 0; i < AppFieldCount; ++i) {
            const auto f = AppField(i);
            document.setValue(AppSection, fieldKey(f), field(f));
            if (f == AppField::FileName)
                document.setValue(AppSection, QStringLiteral("NAME"), shown);
        }
    });
    // A text too large to load stays on disk until the user writes a new one.
    const auto isEmptyText = [](const QStringList& lines) {
        return std::all_of(lines.begin(), lines.end(), [](const QString& l) { return l.isEmpty(); });
    };
    if (!(m_longDescriptionHeld && isEmptyText(m_longDescription)))
        ListFile::save(recordFile(shown, QStringLiteral(".lds")), m_longDescription);
    if (!(m_notesHeld && isEmptyText(m_notes)))
        ListFile::save(recordFile(shown, QStringLiteral(".nts")), m_notes);
    setChanged(false);
}

bool ApplicationRecord::NewApplication()
{
    const auto newName = m_chooser.askNewName(m_prompts, QStringLiteral("New Application Name"),
                                              QStringLiteral("APP NAME DUPLICATE"),
                                              QStringLiteral("The App name you entered is already on the list!"));
    if (!newName)
        return false;
    const int at = m_chooser.add(*newName);
    m_settings.lastAppLoaded = *newName;
    m_workspace->SaveApplicationList();
    m_chooser.setCurrentIndex(at);
    ClearApplicationFields();
    return true;
}

void ApplicationRecord::DeleteApplication()
{
    const QString shown = name();
    if (shown.isEmpty())
        return;
    if (!m_prompts.confirm(QStringLiteral("Delete This Application ?")))
        return;
    BusyCursor busy(m_prompts);
    if (WorkspacePath::isSafeName(shown))
        QFile::remove(recordFile(shown, QStringLiteral("_SITES.dat")));
    m_chooser.removeAt(m_chooser.indexOf(shown));
    m_workspace->SaveApplicationList();
    emit applicationDeleted(shown);
    if (!m_chooser.isEmpty()) {
        m_chooser.setCurrentIndex(0);
        LoadApplication();
    } else {
        ClearApplicationFields();
    }
}
