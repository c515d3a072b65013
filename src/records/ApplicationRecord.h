#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

class ChooserList;
class CompanyRecord;
class ProgramSettings;
class TGWide;
class UserPrompts;

// The single-line fields of an Application record, in the write order of its
// APPINFO section (NAME, written after FileName, comes from the chooser).
enum class AppField {
    FileName, Char8, Version, Day, Month, Year, Platform, DistStatus,
    Size32, InstSize32, Size16, InstSize16, Price, Status, Eval, ExpireDate, ExpireAfter, Installer,
    AppUrl, Dl1_32, Dl2_32, Dl3_32, Dl4_32, Dl1_16, Dl2_16, Dl3_16, Dl4_16,
    Shot, Gif, Ico, Path, IcoPath, GifPath, ScreenPath, OtherPath, ShortDesc,
};
constexpr int AppFieldCount = 36;

// The four fixed value lists.
namespace AppLists {
QStringList platforms();
QStringList submitters();
QStringList statuses();
QStringList installs();
} // namespace AppLists

// The Application record shown on the "General", "Locations" and
// "Description" pages, with its changed mark and the operations behind the
// pages' buttons.
class ApplicationRecord : public QObject {
    Q_OBJECT
public:
    ApplicationRecord(ChooserList& chooser, CompanyRecord& company, ProgramSettings& settings,
                      UserPrompts& prompts, QObject* parent = nullptr);

    void setWorkspace(TGWide* workspace) { m_workspace = workspace; }

    QString field(AppField f) const { return m_fields[size_t(f)]; }
    // A change of a field's text sets the changed mark.
    void setField(AppField f, const QString& text);
    const QStringList& longDescription() const { return m_longDescription; }
    void setLongDescription(const QStringList& lines);
    const QStringList& notes() const { return m_notes; }
    void setNotes(const QStringList& lines);
    // "Special Requirements:": shown as "None" at first, never stored.
    const QString& specialRequirements() const { return m_specialRequirements; }
    void setSpecialRequirements(const QString& text);
    const QString& longDate() const { return m_longDate; }

    // The name the chooser shows; empty when it shows none.
    QString name() const;

    bool changed() const { return m_changed; }
    void setChanged(bool changed);

    // Reads the record of the application the chooser shows.
    void LoadApplication();
    // Writes <App>.dat, <App>.lds and <App>.nts; nothing when no name is shown.
    void SaveApplication();
    // Asks for a name ("New Application Name"), adds it and clears the fields;
    // true when one was added. The caller then saves as the button does.
    bool NewApplication();
    // Removes the shown application from the list after "Delete This Application ?".
    void DeleteApplication();
    // Empties every field but the four lists and the four attachment paths.
    void ClearApplicationFields();
    // Leaving the 8-character name: false (after the message, field emptied)
    // when it holds a character a file name cannot take; else lower-cased.
    bool Check8CharName();
    void RecomputeLongDate();

    static QString LongDate(const QString& day, const QString& month, const QString& year);
    static QString fieldKey(AppField f);
    QString recordFile(const QString& appName, const QString& suffix) const;

signals:
    void fieldChanged(AppField field, const QString& text);
    void longDescriptionChanged(const QStringList& lines);
    void notesChanged(const QStringList& lines);
    void specialRequirementsChanged(const QString& text);
    void longDateChanged(const QString& text);
    void changedMarkChanged(bool changed);
    // The record was loaded; its site list follows.
    void applicationLoaded(const QString& name);
    // An application was deleted; its site list file is gone.
    void applicationDeleted(const QString& name);

private:
    ChooserList& m_chooser;
    CompanyRecord& m_company;
    ProgramSettings& m_settings;
    UserPrompts& m_prompts;
    TGWide* m_workspace = nullptr;
    std::array<QString, AppFieldCount> m_fields;
    QStringList m_longDescription;
    QStringList m_notes;
    QString m_specialRequirements = QStringLiteral("None");
    QString m_longDate;
    bool m_changed = false;
    // The long description or notes file was too large to load; saving leaves it
    // as it is while the text stays empty.
    bool m_longDescriptionHeld = false;
    bool m_notesHeld = false;
    QString m_reportedFor;
    QSet<QString> m_reported;
};
