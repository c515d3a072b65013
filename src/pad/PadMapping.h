#pragma once

#include "pad/PadRules.h"
#include "pad/PadValues.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The record values a PAD file speaks of, by record key: the company's keys
// ("CONAME", "CONTACT", "CEMAIL", …), the application's ("NAME", "VERSION",
// "PLATFORM", "SIZE32", …) and three of the program's own: "LONGDESC" (the long
// description, lines joined by LF), "SPECREQ" (the special requirements) and
// "DSTATUS". Values are record text: one character per byte of the 8-bit files.
class PadRecordValues {
public:
    QString value(const QString& key) const { return m_values.value(key); }
    void set(const QString& key, const QString& value) { m_values.insert(key, value); }
    bool operator==(const PadRecordValues& other) const { return m_values == other.m_values; }

    static const QString LongDescription;
    static const QString SpecialRequirements;

private:
    QHash<QString, QString> m_values;
};

// One line of the import's preview.
struct PadImportRow {
    enum class Kind {
        Unchanged, // the record keeps its value
        Set,       // a record field takes the value
        Guess,     // the value chosen is a guess from what the file says
        Loss,      // part of the value, or all of it, does not reach the records
        Detail,    // kept with the application's PAD details
        Dropped,   // not kept at all
    };
    QString field;   // the PAD field, e.g. "Program_Info/Program_Version"
    QString value;   // as the file has it
    QString target;  // the record field's label, "PAD details" or "—"
    QString result;  // what the next load shows
    Kind kind = Kind::Set;
    QString note;    // what changes, what was guessed, what is lost
};

// What an import makes of a PAD file.
struct PadImport {
    PadRecordValues records; // the records as the import leaves them
    PadValues details;       // the values the records lack
    QList<PadImportRow> rows;
};

// Between PAD values and the records: which field goes where, and how.
namespace PadMapping {

// The PAD details and the records are two halves of one file: exporting what an
// import made gives the file's values back, and importing what an export
// wrote leaves the records as they were.
//
// `current` is what the records hold now (empty values for a record the import
// creates). A record value that exports to the file's own value is kept.
PadImport importValues(const PadValues& file, const PadRecordValues& current);

// The PAD values of the records, with the kept values of the details wherever
// they import to what the records hold. Notes to the reviewer never go in.
PadValues exportValues(const PadRecordValues& records, const PadValues& details, PadVersion version);

// The PAD fields the records hold (the English descriptions among them).
QStringList mappedPaths();
// The record keys an import may change; the others stay as they are.
QStringList importedKeys();
// The label a record key shows under ("Contact City:").
QString targetLabel(const QString& key);

// The company and application names a file gives (trimmed, as record text).
QString companyName(const PadValues& file);
QString applicationName(const PadValues& file);

// Paths used outside the mapping.
QString path(const char* relative); // "XML_DIZ_INFO/" + relative
extern const char* const PadFileUrlPath;

} // namespace PadMapping
