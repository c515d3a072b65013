#pragma once

#include "pad/PadMapping.h"
#include "pad/PadRules.h"

#include <QList>
#include <QString>

#include <functional>

class MainModel;

// "Export PAD File...": the records as they stand, unsaved edits included,
// with the application's PAD details, written as PAD 3.11 or 4.0.
class PadExporter {
public:
    explicit PadExporter(MainModel& model);

    // Shows "PAD Check" with the failures; true on "Save Anyway". The window
    // sets it; without one a file with failures is not written.
    std::function<bool(const QList<PadFailure>& failures)> confirmFailures;

    // False, after the message, when no application is shown.
    bool canExport();
    // The records as the window shows them.
    PadRecordValues records() const;
    // The details kept for the application shown; empty after a message when unreadable.
    PadValues storedDetails();
    // What would be written: the records with the details, and the values the
    // export dialog edits (`edits`, by path) exactly as given.
    PadValues values(PadVersion version, const PadValues& details, const PadValues& edits) const;
    // The failures of those values against the version's rules.
    static QList<PadFailure> check(const PadValues& values, PadVersion version);
    // "Save...": asks for the file, checks, asks about failures, writes the
    // file and keeps the edits with the details, `kept` (choices the chosen
    // version cannot write) over them. True when the file was written.
    bool save(PadVersion version, const PadValues& details, const PadValues& edits,
              const PadValues& kept = PadValues());
    // Writes the file without a question; throws ZentrelError when it cannot.
    static void writeFile(const QString& fileName, const PadValues& values, PadVersion version);

    // The paths the export dialog edits, in its order.
    static QStringList editedPaths();

private:
    MainModel& m_model;
};
