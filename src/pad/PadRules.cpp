#include "pad/PadRules.h"

#include "pad/PadRuleTables.h"

#include <QRegularExpression>

namespace {

// The longest piece of a value a failure quotes.
constexpr qsizetype QuotedLength = 60;

// One PAD version ready to check against: its fields, and for each the
// compiled pattern (invalid when the field has no pattern).
struct RuleSet {
    QList<PadFieldRule> fields;
    QList<QRegularExpression> patterns;
    QStringList order;
};

RuleSet makeRuleSet(std::span<const PadRuleRow> rows)
{
    RuleSet set;
    set.fields.reserve(qsizetype(rows.size()));
    for (const PadRuleRow& row : rows) {
        PadFieldRule rule;
        rule.path = QString::fromUtf16(row.path);
        rule.title = QString::fromUtf16(row.title);
        rule.regex = QString::fromUtf16(row.regex);
        rule.ruleText = QString::fromUtf16(row.ruleText);
        rule.onlyWhenPresent = row.onlyWhenPresent;

        // The patterns end in \Z, which also allows a final line break; a value
        // must match whole, so the pattern is anchored at the very end as well.
        QRegularExpression pattern;
        if (!rule.regex.isEmpty()) {
            pattern.setPattern(QRegularExpression::anchoredPattern(rule.regex));
            pattern.optimize();
        }
        set.order.append(rule.path);
        set.fields.append(rule);
        set.patterns.append(pattern);
    }
    return set;
}

const RuleSet& ruleSet(PadVersion version)
{
    static const RuleSet v311 = makeRuleSet(PadRuleTables::rows311());
    static const RuleSet v40 = makeRuleSet(PadRuleTables::rows40());
    return version == PadVersion::V3_11 ? v311 : v40;
}

// A PAD file is XML, whose readers see every line break as one LF; the lengths
// the patterns count are those, whatever breaks the text came with.
QString withXmlLineBreaks(const QString& value)
{
    if (!value.contains(u'\r'))
        return value;
    QString text = value;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

QString quoted(const QString& value)
{
    if (value.size() <= QuotedLength)
        return u'"' + value + u'"';
    qsizetype cut = QuotedLength;
    // Never leave half of a character outside the basic plane.
    if (value.at(cut - 1).isHighSurrogate())
        --cut;
    return u'"' + value.left(cut) + QStringLiteral("...\"");
}

// The choices a "one of a list" pattern allows, in its order: the pattern
// less `head` and `tail`, split at "|", with the escapes removed.
QStringList alternatives(PadVersion version, QStringView path, QStringView head, QStringView tail)
{
    QString regex;
    for (const PadFieldRule& rule : ruleSet(version).fields) {
        if (rule.path == path) {
            regex = rule.regex;
            break;
        }
    }
    Q_ASSERT(regex.startsWith(head) && regex.endsWith(tail));
    if (!regex.startsWith(head) || !regex.endsWith(tail))
        return {};
    const QStringView list = QStringView(regex).sliced(head.size(), regex.size() - head.size() - tail.size());

    QStringList names;
    QString name;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QChar c = list[i];
        if (c == u'\\' && i + 1 < list.size()) {
            name += list[++i];
        } else if (c == u'|') {
            names.append(name);
            name.clear();
        } else {
            name += c;
        }
    }
    names.append(name);
    // The language list ends in "," so that names can be joined by commas.
    names.removeAll(QStringLiteral(","));
    names.removeAll(QString());
    return names;
}

} // namespace

namespace PadRules {

QString versionText(PadVersion version)
{
    return version == PadVersion::V3_11 ? QStringLiteral("3.11") : QStringLiteral("4.0");
}

const QList<PadFieldRule>& fields(PadVersion version)
{
    return ruleSet(version).fields;
}

QStringList order(PadVersion version)
{
    return ruleSet(version).order;
}

QList<PadFailure> check(const PadValues& values, PadVersion version)
{
    const RuleSet& set = ruleSet(version);
    QList<PadFailure> failures;
    for (qsizetype i = 0; i < set.fields.size(); ++i) {
        const PadFieldRule& rule = set.fields[i];
        const QRegularExpression& pattern = set.patterns[i];
        // A field the PAD version sets no pattern for takes anything.
        if (rule.regex.isEmpty())
            continue;
        const QString value = withXmlLineBreaks(values.value(rule.path));
        if (value.isEmpty() && rule.onlyWhenPresent)
            continue;
        if (pattern.match(value).hasMatch())
            continue;
        const QString problem =
            value.isEmpty() ? QStringLiteral("is empty") : quoted(value) + QStringLiteral(" does not match");
        failures.append(PadFailure{rule.path, problem, rule.ruleText});
    }
    return failures;
}

QStringList osNames(PadVersion version)
{
    return alternatives(version, u"XML_DIZ_INFO/Program_Info/Program_OS_Support", u"^((", u")[, ]*)+\\Z");
}

QStringList programTypes(PadVersion version)
{
    return alternatives(version, u"XML_DIZ_INFO/Program_Info/Program_Type", u"^(", u")\\Z");
}

QStringList releaseStatuses(PadVersion version)
{
    return alternatives(version, u"XML_DIZ_INFO/Program_Info/Program_Release_Status", u"^(", u")\\Z");
}

QStringList languages(PadVersion version)
{
    return alternatives(version, u"XML_DIZ_INFO/Program_Info/Program_Language", u"^(", u")+\\Z");
}

QStringList categoryClasses(PadVersion version)
{
    return alternatives(version, u"XML_DIZ_INFO/Program_Info/Program_Category_Class", u"^(", u")\\Z");
}

} // namespace PadRules
