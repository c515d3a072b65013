#pragma once

#include "pad/PadValues.h"

#include <QList>
#include <QString>
#include <QStringList>

enum class PadVersion { V3_11, V4_0 };

// One field of a PAD version.
struct PadFieldRule {
    QString path;      // "XML_DIZ_INFO/Company_Info/Company_Name"
    QString title;     // "Company name"
    QString regex;     // as the PAD version gives it
    QString ruleText;  // "Text string 2-40 characters"
    // Checked only when the file holds a value for it (AppID, PublisherID, the certificate).
    bool onlyWhenPresent = false;
};

// A field whose value breaks its rule.
struct PadFailure {
    QString path;
    QString problem;   // "is empty", or the value that does not match
    QString ruleText;
    bool operator==(const PadFailure&) const = default;
};

// The two PAD versions the program reads and writes.
namespace PadRules {

// "3.11" / "4.0".
QString versionText(PadVersion version);
// The version's fields, in the order it lists them.
const QList<PadFieldRule>& fields(PadVersion version);
// Their paths, in the same order.
QStringList order(PadVersion version);
// Every field whose value breaks its rule. An empty value counts as absent.
QList<PadFailure> check(const PadValues& values, PadVersion version);

// The values the rules allow, for the export's choices, in the order the version lists them.
QStringList osNames(PadVersion version);
QStringList programTypes(PadVersion version);
QStringList releaseStatuses(PadVersion version);
QStringList languages(PadVersion version);
QStringList categoryClasses(PadVersion version);

} // namespace PadRules
