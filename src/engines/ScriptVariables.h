#pragma once

#include <QDate>
#include <QString>
#include <QTime>

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
int scriptVariableIndex(QStringView name);

// Sizes as a site wants them: whole kilobytes (at least 1), and megabytes cut to two decimals.
QString Kilobytes(const QString& bytes);
QString Megabytes(const QString& bytes);

// The texts of the clock variables. Reading the clock means converting to local
// time, costly beside a lookup, so an expansion reads it once, at its first
// clock variable, and each text is formed once per moment. Between expansions
// every value reads the clock anew.
class ClockValues {
public:
    enum Item { Date, Day, Month, Year, Time, Hours, Minutes };
    static constexpr int ItemCount = 7;

    // The item's text at the moment held, or now when none is held.
    const QString& value(Item item);

    // While a hold lives, every value comes from one reading of the clock.
    class Hold {
    public:
        explicit Hold(ClockValues& clock) : m_clock(clock) { ++m_clock.m_holds; }
        ~Hold()
        {
            if (--m_clock.m_holds == 0)
                m_clock.m_read = false;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ClockValues& m_clock;
    };

private:
    int m_holds = 0;
    bool m_read = false; // the moment held is read
    QDate m_date;
    QTime m_time;
    std::array<QString, ItemCount> m_texts;
    std::array<bool, ItemCount> m_formed{};
};

// The Application site list entry being posted: the category labels chosen for it.
class CategoryChoices {
public:
    virtual ~CategoryChoices() = default;
    virtual QString primaryChoice() const = 0;
    virtual QString secondaryChoice() const = 0;
};
