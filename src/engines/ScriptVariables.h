#pragma once

#include <QString>

#include <array>

// Check mode serves the script tests; submission mode the posting of a site.
// They differ only in the two category variables.
enum class ExpandMode { Check, Submission };

struct ScriptVariable {
    const char* name;       // without the percent signs
    const char* pickerText; // the picker's second column
};

constexpr int ScriptVariableCount = 61;

// Every variable in the picker's order.
const std::array<ScriptVariable, ScriptVariableCount>& scriptVariables();
// The variable's position in that order, or -1 for a name that is none (exact comparison).
int scriptVariableIndex(const QString& name);

// Sizes as a site wants them: whole kilobytes (at least 1), and megabytes cut to two decimals.
QString Kilobytes(const QString& bytes);
QString Megabytes(const QString& bytes);

// The Application site list entry being posted: the category labels chosen for it.
class CategoryChoices {
public:
    virtual ~CategoryChoices() = default;
    virtual QString primaryChoice() const = 0;
    virtual QString secondaryChoice() const = 0;
};
