#include "pad/PadMapping.h"

#include "engines/ScriptVariables.h"
#include "pad/PadText.h"
#include "records/ApplicationRecord.h"
#include "records/TIniFile.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <functional>

const QString PadRecordValues::LongDescription = QStringLiteral("LONGDESC");
const QString PadRecordValues::SpecialRequirements = QStringLiteral("SPECREQ");

namespace PadMapping {

const char* const PadFileUrlPath = "XML_DIZ_INFO/Web_Info/Application_URLs/Application_XML_File_URL";

QString path(const char* relative)
{
    return QStringLiteral("XML_DIZ_INFO/") + QLatin1String(relative);
}

} // namespace PadMapping

namespace {

using Kind = PadImportRow::Kind;
using PadMapping::path;

const QString Platform31 = QStringLiteral("Windows 3.1");
const QString Platform95 = QStringLiteral("Windows 95");
const QString PlatformNT = QStringLiteral("Windows NT");
const QString PlatformBoth = QStringLiteral("Windows 95 and NT");

// A remark on one field of the file.
struct Remark {
    Kind kind;
    QString text;
};

// What a row's import makes of the file: Unicode values by record key, keys
// the file leaves without a value, and remarks.
struct Reading {
    const PadRecordValues& records; // the records as the rows before this one left them
    QHash<QString, QString> set;
    QStringList unset;
    QList<Remark> remarks;

    void put(const QString& key, const QString& value) { set.insert(key, value); }
    void guess(const QString& text) { remarks.append({Kind::Guess, text}); }
    void loss(const QString& text) { remarks.append({Kind::Loss, text}); }
};

// One line of the table: the PAD fields it reads and writes, the record keys it
// may set, and the two directions.
struct Row {
    QStringList paths;
    QStringList keys;
    std::function<void(const PadValues& file, Reading& reading)> in;
    std::function<void(const PadRecordValues& records, const PadValues& details, PadVersion version,
                       PadValues& out)>
        out;
    // Fields the import also reads when those of `paths` are missing; they stay with the details.
    QStringList fallbacks = {};
};

// Record text as Unicode.
QString unicode(const PadRecordValues& records, const QString& key)
{
    return PadText::fromRecord(records.value(key));
}

bool allDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString twoDigits(const QString& text, int highest)
{
    const QString t = text.trimmed();
    if (!allDigits(t) || t.size() > 2)
        return t;
    const int n = t.toInt();
    if (n < 1 || n > highest)
        return t;
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// A two-digit record year as the long date reads it: below 80 in this century.
QString fourDigitYear(const QString& year)
{
    const QString y = year.trimmed();
    if (!allDigits(y) || y.size() > 2)
        return y;
    const int n = y.toInt();
    return QString::number(n < 80 ? 2000 + n : 1900 + n);
}

// The description language a file's descriptions are read from: English when
// it has any, otherwise the first language it names.
QString descriptionLanguage(const PadValues& file)
{
    const QString prefix = path("Program_Descriptions/");
    QString first;
    for (const PadEntry& e : file.entries()) {
        if (!e.path.startsWith(prefix))
            continue;
        const QString rest = e.path.mid(prefix.size());
        const qsizetype slash = rest.indexOf(u'/');
        if (slash <= 0)
            continue;
        const QString language = rest.left(slash);
        if (language == u"English")
            return language;
        if (first.isEmpty())
            first = language;
    }
    return first.isEmpty() ? QStringLiteral("English") : first;
}

QString description(const QString& language, const char* field)
{
    return path("Program_Descriptions/") + language + u'/' + QLatin1String(field);
}

// A field copied both ways as it stands.
Row direct(const char* relative, const QString& key)
{
    const QString p = path(relative);
    return Row{{p}, {key},
               [p, key](const PadValues& file, Reading& r) { r.put(key, file.value(p)); },
               [p, key](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                   out.set(p, unicode(records, key));
               }};
}

// The first non-empty value of the paths; a later one is a guess.
QString firstOf(const PadValues& file, const QStringList& paths, Reading& r, const QString& what)
{
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString v = file.value(paths[i]).trimmed();
        if (v.isEmpty())
            continue;
        if (i > 0)
            r.guess(what + u" taken from " + paths[i].section(u'/', -1));
        return v;
    }
    return QString();
}

// A field filled from its first path, falling back to the others; an export
// fills them all with the record's value.
Row withFallbacks(const QStringList& relatives, const QString& key, const QString& what)
{
    QStringList paths;
    for (const QString& r : relatives)
        paths << QStringLiteral("XML_DIZ_INFO/") + r;
    return Row{paths, {key},
               [paths, key, what](const PadValues& file, Reading& r) {
                   r.put(key, firstOf(file, paths, r, what));
               },
               [paths, key](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                   for (const QString& p : paths)
                       out.set(p, unicode(records, key));
               }};
}

// Windows systems of a PAD OS list, by kind.
struct SystemKinds {
    bool win3 = false;
    bool win9x = false;
    bool winNT = false;
    bool winOther = false;
};

SystemKinds systemKinds(const QString& list)
{
    SystemKinds kinds;
    static const QRegularExpression separator(QStringLiteral("\\s*,\\s*"));
    for (QString name : list.split(separator, Qt::SkipEmptyParts)) {
        name = name.trimmed();
        const QString lower = name.toLower();
        if (!lower.startsWith(u"win"))
            continue;
        // Handhelds and phones run no program built for the desktop.
        if (lower.contains(u"mobile") || lower.contains(u"phone") || lower.contains(u"ce") || lower == u"windows rt")
            continue;
        const QString compact = QString(lower).remove(u' ');
        if (compact == u"winother")
            kinds.winOther = true;
        else if (compact.startsWith(u"win3") || compact.startsWith(u"windows3"))
            kinds.win3 = true;
        else if (compact == u"win95" || compact == u"win98" || compact == u"winme" || compact == u"windows95"
                 || compact == u"windows98" || compact == u"windowsme")
            kinds.win9x = true;
        else
            kinds.winNT = true;
    }
    return kinds;
}

QString exportedSystems(const QString& platform, PadVersion version)
{
    QString nt = QStringLiteral("Win2000,WinXP,WinVista,Win7 x32,Win7 x64");
    if (version == PadVersion::V4_0)
        nt += QStringLiteral(",Windows 8");
    if (platform == Platform31)
        return QStringLiteral("WinOther");
    if (platform == Platform95)
        return QStringLiteral("Win98,WinOther");
    if (platform == PlatformNT)
        return nt;
    if (platform == PlatformBoth)
        return QStringLiteral("Win98,WinOther,") + nt;
    return QString();
}

// Parses a number as the file writes it ("1500", "1.46"); false for anything else.
bool parseNumber(const QString& text, double& value)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value < 1e15;
}

// Splits an expiration date written day-month-year into its parts.
bool splitDate(const QString& date, QString& day, QString& month, QString& year)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2})\\s*[-./ ]\\s*(\\d{1,2})\\s*[-./ ]\\s*(\\d{2}|\\d{4})\\s*$"));
    const auto m = form.match(date);
    if (!m.hasMatch())
        return false;
    day = twoDigits(m.captured(1), 31);
    month = twoDigits(m.captured(2), 12);
    year = m.captured(3).size() == 2 ? fourDigitYear(m.captured(3)) : m.captured(3);
    return true;
}

QList<Row> makeRows(const QString& language)
{
    QList<Row> rows;
    rows << direct("Company_Info/Company_Name", QStringLiteral("CONAME"));

    // The record keeps the address on one line.
    {
        const QString a1 = path("Company_Info/Address_1");
        const QString a2 = path("Company_Info/Address_2");
        rows << Row{{a1, a2}, {QStringLiteral("CADDR")},
                    [a1, a2](const PadValues& file, Reading& r) {
                        QStringList parts;
                        for (const QString& p : {a1, a2})
                            if (const QString v = file.value(p).trimmed(); !v.isEmpty())
                                parts << v;
                        r.put(QStringLiteral("CADDR"), parts.join(u", "));
                    },
                    [a1, a2](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        out.set(a1, unicode(records, QStringLiteral("CADDR")));
                        out.set(a2, QString());
                    }};
    }
    rows << direct("Company_Info/City_Town", QStringLiteral("CCITY"))
         << direct("Company_Info/State_Province", QStringLiteral("CSTATE"))
         << direct("Company_Info/Zip_Postal_Code", QStringLiteral("CZIP"))
         << direct("Company_Info/Country", QStringLiteral("CCOUNTRY"))
         << direct("Company_Info/Company_WebSite_URL", QStringLiteral("CURL"));
    {
        const QString first = path("Company_Info/Contact_Info/Contact_First_Name");
        const QString last = path("Company_Info/Contact_Info/Contact_Last_Name");
        const QString authorFirst = path("Company_Info/Contact_Info/Author_First_Name");
        const QString authorLast = path("Company_Info/Contact_Info/Author_Last_Name");
        rows << Row{{first, last}, {QStringLiteral("CONTACT")},
                    [=](const PadValues& file, Reading& r) {
                        const auto join = [&](const QString& a, const QString& b) {
                            QStringList parts;
                            for (const QString& p : {a, b})
                                if (const QString v = file.value(p).trimmed(); !v.isEmpty())
                                    parts << v;
                            return parts.join(u' ');
                        };
                        QString name = join(first, last);
                        if (name.isEmpty()) {
                            name = join(authorFirst, authorLast);
                            if (!name.isEmpty())
                                r.guess(QStringLiteral("the contact taken from the author's name"));
                        }
                        r.put(QStringLiteral("CONTACT"), name);
                    },
                    [first, last](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        out.set(first, unicode(records, QStringLiteral("CONTACT")));
                        out.set(last, QString());
                    }};
    }
    rows << withFallbacks({QStringLiteral("Company_Info/Contact_Info/Contact_Email"),
                           QStringLiteral("Company_Info/Contact_Info/Author_Email")},
                          QStringLiteral("CEMAIL"), QStringLiteral("the contact e-mail"))
         << withFallbacks({QStringLiteral("Company_Info/Support_Info/General_Phone"),
                           QStringLiteral("Company_Info/Support_Info/Sales_Phone"),
                           QStringLiteral("Company_Info/Support_Info/Support_Phone")},
                          QStringLiteral("CPHONE"), QStringLiteral("the phone number"))
         << direct("Company_Info/Support_Info/Fax_Phone", QStringLiteral("CFAX"))
         << withFallbacks({QStringLiteral("Company_Info/Support_Info/Sales_Email"),
                           QStringLiteral("Company_Info/Support_Info/General_Email"),
                           QStringLiteral("Company_Info/Support_Info/Support_Email")},
                          QStringLiteral("CCMAIL"), QStringLiteral("the company e-mail"));

    rows << direct("Program_Info/Program_Name", QStringLiteral("NAME"))
         << direct("Program_Info/Program_Version", QStringLiteral("VERSION"))
         << direct("Program_Info/Program_Cost_Dollars", QStringLiteral("PRICE"));

    // The release date: two digits each, the year as the long date reads it.
    {
        const QString d = path("Program_Info/Program_Release_Day");
        const QString m = path("Program_Info/Program_Release_Month");
        const QString y = path("Program_Info/Program_Release_Year");
        rows << Row{{d, m, y}, {QStringLiteral("DAY"), QStringLiteral("MONTH"), QStringLiteral("YEAR")},
                    [=](const PadValues& file, Reading& r) {
                        // A part the file does not give stays as it is.
                        if (file.contains(d))
                            r.put(QStringLiteral("DAY"), twoDigits(file.value(d), 31));
                        if (file.contains(m))
                            r.put(QStringLiteral("MONTH"), twoDigits(file.value(m), 12));
                        const QString year = file.value(y).trimmed();
                        if (!file.contains(y)) {
                            // The year stays as it is.
                        } else if (year.isEmpty() || (allDigits(year) && year.size() <= 2)) {
                            r.put(QStringLiteral("YEAR"), year);
                        } else if (allDigits(year) && year.size() == 4 && year.toInt() >= 1980
                                   && year.toInt() <= 2079) {
                            r.put(QStringLiteral("YEAR"), year.right(2));
                        } else {
                            r.put(QStringLiteral("YEAR"), QString());
                            r.loss(u"the year " + year + u" does not fit two digits (1980 to 2079)");
                        }
                    },
                    [=](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        out.set(d, twoDigits(unicode(records, QStringLiteral("DAY")), 31));
                        out.set(m, twoDigits(unicode(records, QStringLiteral("MONTH")), 12));
                        out.set(y, fourDigitYear(unicode(records, QStringLiteral("YEAR"))));
                    }};
    }

    // The distribution status from the program type and the release status.
    {
        const QString type = path("Program_Info/Program_Type");
        const QString release = path("Program_Info/Program_Release_Status");
        const QString expires = path("Program_Info/Expire_Info/Has_Expire_Info");
        rows << Row{{type, release}, {QStringLiteral("STATUS")},
                    [=](const PadValues& file, Reading& r) {
                        const QString t = file.value(type).trimmed();
                        const QString s = file.value(release).trimmed();
                        const QString key = QStringLiteral("STATUS");
                        if (s.compare(u"Beta", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Beta"));
                        } else if (s.compare(u"Alpha", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Beta"));
                            r.guess(QStringLiteral("an alpha release counts as Beta"));
                        } else if (t.compare(u"Shareware", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Shareware"));
                        } else if (t.compare(u"Freeware", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Freeware"));
                        } else if (t.compare(u"Public Domain", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Freeware"));
                            r.guess(QStringLiteral("public domain counts as Freeware"));
                        } else if (t.compare(u"Adware", Qt::CaseInsensitive) == 0) {
                            r.put(key, QStringLiteral("Freeware"));
                            r.guess(QStringLiteral("adware counts as Freeware"));
                        } else if (t.compare(u"Demo", Qt::CaseInsensitive) == 0) {
                            if (file.value(expires).trimmed().compare(u"Y", Qt::CaseInsensitive) == 0) {
                                r.put(key, QStringLiteral("Time Limit Demo"));
                            } else {
                                r.put(key, QStringLiteral("Feature Limit Demo"));
                                r.guess(QStringLiteral("a demo that does not expire counts as Feature Limit Demo"));
                            }
                        } else {
                            r.unset << key;
                            if (!t.isEmpty())
                                r.loss(u"no status of the records fits the type " + t);
                        }
                    },
                    [=](const PadRecordValues& records, const PadValues& details, PadVersion, PadValues& out) {
                        const QString status = records.value(QStringLiteral("STATUS"));
                        const QString keptRelease = details.value(release).trimmed();
                        const bool keptPreRelease = keptRelease.compare(u"Beta", Qt::CaseInsensitive) == 0
                            || keptRelease.compare(u"Alpha", Qt::CaseInsensitive) == 0;
                        QString t;
                        QString s = keptRelease.isEmpty() || keptPreRelease ? QStringLiteral("New Release") : keptRelease;
                        if (status == u"Shareware")
                            t = status;
                        else if (status == u"Freeware" || status == u"Public Domain")
                            t = QStringLiteral("Freeware");
                        else if (status == u"Feature Limit Demo" || status == u"Time Limit Demo")
                            t = QStringLiteral("Demo");
                        else if (status == u"Beta") {
                            // What a beta is when it is released comes from the details.
                            t = details.value(type).trimmed();
                            if (t.isEmpty())
                                t = QStringLiteral("Shareware");
                            s = keptPreRelease ? keptRelease : QStringLiteral("Beta");
                        } else
                            s.clear();
                        out.set(type, t);
                        out.set(release, s);
                    }};
    }

    {
        static const QStringList padValues = {QStringLiteral("No Install Support"), QStringLiteral("Install Only"),
                                              QStringLiteral("Uninstall Only"),
                                              QStringLiteral("Install and Uninstall")};
        const QString p = path("Program_Info/Program_Install_Support");
        rows << Row{{p}, {QStringLiteral("installer")},
                    [p](const PadValues& file, Reading& r) {
                        const QString v = file.value(p).trimmed();
                        const QStringList installs = AppLists::installs();
                        for (qsizetype i = 0; i < padValues.size(); ++i)
                            if (v.compare(padValues[i], Qt::CaseInsensitive) == 0) {
                                r.put(QStringLiteral("installer"), installs[i]);
                                return;
                            }
                        r.unset << QStringLiteral("installer");
                        if (!v.isEmpty())
                            r.loss(u"no install value of the records fits " + v);
                    },
                    [p](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        const qsizetype at = AppLists::installs().indexOf(records.value(QStringLiteral("installer")));
                        out.set(p, at >= 0 ? padValues[at] : QString());
                    }};
    }

    // The platform from the Windows systems named.
    {
        const QString p = path("Program_Info/Program_OS_Support");
        rows << Row{{p}, {QStringLiteral("PLATFORM")},
                    [p](const PadValues& file, Reading& r) {
                        const QString key = QStringLiteral("PLATFORM");
                        const SystemKinds k = systemKinds(file.value(p));
                        if (k.win9x && k.winNT)
                            r.put(key, PlatformBoth);
                        else if (k.win9x)
                            r.put(key, Platform95);
                        else if (k.winNT)
                            r.put(key, PlatformNT);
                        else if (k.win3 && !k.winOther)
                            r.put(key, Platform31);
                        else if (k.winOther) {
                            r.put(key, PlatformBoth);
                            r.guess(QStringLiteral("no Windows version named: taken as Windows 95 and NT"));
                        } else {
                            r.unset << key;
                            r.loss(QStringLiteral("no Windows system named: the platform is not set"));
                        }
                    },
                    [p](const PadRecordValues& records, const PadValues&, PadVersion version, PadValues& out) {
                        out.set(p, exportedSystems(records.value(QStringLiteral("PLATFORM")), version));
                    }};
    }

    // The archive's size, in the 16-bit field for a Windows 3.1 program.
    {
        const QString bytes = path("Program_Info/File_Info/File_Size_Bytes");
        const QString kb = path("Program_Info/File_Info/File_Size_K");
        const QString mb = path("Program_Info/File_Info/File_Size_MB");
        rows << Row{{bytes, kb, mb}, {QStringLiteral("SIZE32"), QStringLiteral("SIZE16")},
                    [=](const PadValues& file, Reading& r) {
                        const QString key = r.records.value(QStringLiteral("PLATFORM")) == Platform31
                            ? QStringLiteral("SIZE16")
                            : QStringLiteral("SIZE32");
                        const QString b = file.value(bytes).trimmed();
                        if (allDigits(b)) {
                            r.put(key, b);
                            return;
                        }
                        double n = 0;
                        if (parseNumber(file.value(kb).trimmed(), n)) {
                            r.put(key, QString::number(qint64(std::llround(n * 1024))));
                            r.guess(QStringLiteral("the size in bytes reckoned from kilobytes"));
                        } else if (parseNumber(file.value(mb).trimmed(), n)) {
                            r.put(key, QString::number(qint64(std::llround(n * 1024 * 1024))));
                            r.guess(QStringLiteral("the size in bytes reckoned from megabytes"));
                        } else {
                            r.unset << key;
                            if (!QString(b + file.value(kb) + file.value(mb)).trimmed().isEmpty())
                                r.loss(QStringLiteral("no size that is a number"));
                        }
                    },
                    [=](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        QString size = records.value(QStringLiteral("SIZE32"));
                        if (size.isEmpty())
                            size = records.value(QStringLiteral("SIZE16"));
                        out.set(bytes, size);
                        out.set(kb, size.isEmpty() ? QString() : Kilobytes(size));
                        out.set(mb, size.isEmpty() ? QString() : Megabytes(size));
                    }};
    }

    // Expiration: the days, the date and the other terms.
    {
        const QString has = path("Program_Info/Expire_Info/Has_Expire_Info");
        const QString count = path("Program_Info/Expire_Info/Expire_Count");
        const QString basedOn = path("Program_Info/Expire_Info/Expire_Based_On");
        const QString other = path("Program_Info/Expire_Info/Expire_Other_Info");
        const QString month = path("Program_Info/Expire_Info/Expire_Month");
        const QString day = path("Program_Info/Expire_Info/Expire_Day");
        const QString year = path("Program_Info/Expire_Info/Expire_Year");
        rows << Row{{has, count, basedOn, other, month, day, year},
                    {QStringLiteral("XDAYS"), QStringLiteral("XDATE"), QStringLiteral("EVAL")},
                    [=](const PadValues& file, Reading& r) {
                        const QString c = file.value(count).trimmed();
                        const QString base = file.value(basedOn).trimmed();
                        // What the file does not give stays as it is.
                        if (!file.contains(count) && !file.contains(basedOn)) {
                            // The days stay as they are.
                        } else if (c.isEmpty() || base.compare(u"Days", Qt::CaseInsensitive) == 0) {
                            r.put(QStringLiteral("XDAYS"), c);
                        } else if (base.isEmpty()) {
                            r.put(QStringLiteral("XDAYS"), c);
                            r.guess(QStringLiteral("an expire count without its base taken as days"));
                        } else {
                            r.put(QStringLiteral("XDAYS"), QString());
                            r.loss(u"the records count days only, not " + base);
                        }
                        const QString d = file.value(day).trimmed();
                        const QString m = file.value(month).trimmed();
                        const QString y = file.value(year).trimmed();
                        if (file.contains(day) || file.contains(month) || file.contains(year))
                            r.put(QStringLiteral("XDATE"),
                                  d.isEmpty() && m.isEmpty() && y.isEmpty() ? QString() : d + u'-' + m + u'-' + y);
                        if (file.contains(other))
                            r.put(QStringLiteral("EVAL"), file.value(other));
                    },
                    [=](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        const QString days = unicode(records, QStringLiteral("XDAYS"));
                        const QString date = unicode(records, QStringLiteral("XDATE"));
                        const QString eval = unicode(records, QStringLiteral("EVAL"));
                        const bool expires = !days.isEmpty() || !date.isEmpty() || !eval.isEmpty()
                            || records.value(QStringLiteral("STATUS")) == u"Time Limit Demo";
                        out.set(has, expires ? QStringLiteral("Y") : QStringLiteral("N"));
                        out.set(count, days);
                        out.set(basedOn, days.isEmpty() ? QString() : QStringLiteral("Days"));
                        out.set(other, eval);
                        QString d, m, y;
                        if (!splitDate(date, d, m, y))
                            d = m = y = QString();
                        out.set(month, m);
                        out.set(day, d);
                        out.set(year, y);
                    }};
    }

    // Descriptions: the short one, and the longest there is for the long one.
    rows << Row{{description(language, "Char_Desc_45")}, {QStringLiteral("SHORTDESC")},
                [language](const PadValues& file, Reading& r) {
                    r.put(QStringLiteral("SHORTDESC"), file.value(description(language, "Char_Desc_45")));
                    if (language != u"English")
                        r.guess(u"no English description: the " + language + u" one was used");
                },
                [](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                    out.set(description(QStringLiteral("English"), "Char_Desc_45"),
                            unicode(records, QStringLiteral("SHORTDESC")));
                }};
    rows << Row{{description(language, "Char_Desc_2000")}, {PadRecordValues::LongDescription},
                [language](const PadValues& file, Reading& r) {
                    const QString full = file.value(description(language, "Char_Desc_2000"));
                    if (!full.trimmed().isEmpty()) {
                        r.put(PadRecordValues::LongDescription, full);
                        return;
                    }
                    QString longest;
                    const char* from = nullptr;
                    for (const char* f : {"Char_Desc_450", "Char_Desc_250", "Char_Desc_80"}) {
                        const QString v = file.value(description(language, f));
                        if (v.trimmed().size() > longest.trimmed().size()) {
                            longest = v;
                            from = f;
                        }
                    }
                    r.put(PadRecordValues::LongDescription, longest);
                    if (from)
                        r.guess(u"the long description taken from " + QLatin1String(from));
                },
                [](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                    out.set(description(QStringLiteral("English"), "Char_Desc_2000"),
                            unicode(records, PadRecordValues::LongDescription));
                },
                {description(language, "Char_Desc_450"), description(language, "Char_Desc_250"),
                 description(language, "Char_Desc_80")}};

    rows << direct("Web_Info/Application_URLs/Application_Info_URL", QStringLiteral("APPURL"))
         << direct("Web_Info/Application_URLs/Application_Screenshot_URL", QStringLiteral("SHOT"));
    {
        const QString p = path("Web_Info/Application_URLs/Application_Icon_URL");
        rows << Row{{p}, {QStringLiteral("GIF"), QStringLiteral("ICO")},
                    [p](const PadValues& file, Reading& r) {
                        const QString v = file.value(p).trimmed();
                        r.put(v.endsWith(u".ico", Qt::CaseInsensitive) ? QStringLiteral("ICO") : QStringLiteral("GIF"), v);
                    },
                    [p](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                        QString icon = unicode(records, QStringLiteral("GIF"));
                        if (icon.isEmpty())
                            icon = unicode(records, QStringLiteral("ICO"));
                        out.set(p, icon);
                    }};
    }
    {
        const char* const downloads[] = {"Web_Info/Download_URLs/Primary_Download_URL",
                                         "Web_Info/Download_URLs/Secondary_Download_URL",
                                         "Web_Info/Download_URLs/Additional_Download_URL_1",
                                         "Web_Info/Download_URLs/Additional_Download_URL_2"};
        for (int n = 1; n <= 4; ++n) {
            const QString p = path(downloads[n - 1]);
            const QString key32 = QStringLiteral("DL%1_32").arg(n);
            const QString key16 = QStringLiteral("DL%1_16").arg(n);
            rows << Row{{p}, {key32, key16},
                        [=](const PadValues& file, Reading& r) {
                            r.put(r.records.value(QStringLiteral("PLATFORM")) == Platform31 ? key16 : key32,
                                  file.value(p));
                        },
                        [=](const PadRecordValues& records, const PadValues&, PadVersion, PadValues& out) {
                            QString url = unicode(records, key32);
                            if (url.isEmpty())
                                url = unicode(records, key16);
                            out.set(p, url);
                        }};
        }
    }
    // The requirements field is never stored: the details keep the file's text.
    {
        const QString p = path("Program_Info/Program_System_Requirements");
        rows << Row{{p}, {PadRecordValues::SpecialRequirements},
                    [p](const PadValues& file, Reading& r) {
                        const QString v = file.value(p).trimmed();
                        r.put(PadRecordValues::SpecialRequirements, v.isEmpty() ? QStringLiteral("None") : v);
                    },
                    [p](const PadRecordValues& records, const PadValues& details, PadVersion, PadValues& out) {
                        const QString v = unicode(records, PadRecordValues::SpecialRequirements).trimmed();
                        out.set(p, v.isEmpty() || v == u"None" ? details.value(p) : v);
                    }};
    }
    return rows;
}

// The record keys whose field takes a limited number of characters.
int fieldLimit(const QString& key)
{
    if (key == u"DAY" || key == u"MONTH" || key == u"YEAR")
        return 2;
    if (key == u"SHORTDESC")
        return 46;
    return -1;
}

bool digitsOnly(const QString& key)
{
    return key == u"SIZE32" || key == u"SIZE16";
}

// What the next load shows of a Unicode value written to a record key, with
// remarks on what did not survive.
QString asRecord(const QString& key, const QString& value, QList<Remark>* remarks)
{
    int lost = 0;
    if (key == PadRecordValues::LongDescription) {
        // The long description is a list file: its lines stay lines.
        QString text = value;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        text.remove(QChar(0));
        const QString record = PadText::toRecord(text, &lost);
        if (lost > 0 && remarks)
            remarks->append({Kind::Loss, QStringLiteral("%1 characters Windows-1252 cannot hold became \"?\"").arg(lost)});
        return record;
    }
    QString text = value;
    const bool hadBreaks = text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\t');
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
    text.remove(QChar(0));
    if (hadBreaks && remarks)
        remarks->append({Kind::Set, QStringLiteral("line breaks and tabs became blanks")});
    // The names and the requirements are no profile values.
    if (key != u"CONAME" && key != u"NAME" && key != PadRecordValues::SpecialRequirements) {
        // Every load drops one pair of quotes, so the value is stored as it reads back.
        QString read = profileValueAsRead(text);
        for (QString again = profileValueAsRead(read); again != read; again = profileValueAsRead(read))
            read = again;
        if (read.size() < text.trimmed().size() && remarks) {
            if (text.trimmed().size() > 1023 && read.size() == 1023)
                remarks->append({Kind::Loss, QStringLiteral("cut to 1023 characters")});
            else
                remarks->append({Kind::Loss, QStringLiteral("the enclosing quotes are dropped when it is read")});
        }
        text = read;
    } else {
        text = text.trimmed();
    }
    if (digitsOnly(key)) {
        QString digits;
        for (QChar c : text)
            if (c >= u'0' && c <= u'9')
                digits += c;
        if (digits != text && remarks)
            remarks->append({Kind::Loss, u"the field takes digits only: " + text + u" became " + digits});
        text = digits;
    }
    if (const int limit = fieldLimit(key); limit > 0 && text.size() > limit) {
        if (remarks)
            remarks->append({Kind::Loss, QStringLiteral("cut to %1 characters").arg(limit)});
        text.truncate(limit);
    }
    const QString record = PadText::toRecord(text, &lost);
    if (lost > 0 && remarks)
        remarks->append({Kind::Loss, QStringLiteral("%1 characters Windows-1252 cannot hold became \"?\"").arg(lost)});
    return record;
}

// The file's digital signature belongs to the file, not to the program.
bool isDropped(const QString& p)
{
    return p == path("Signature") || p.startsWith(path("Signature/"));
}

} // namespace

namespace PadMapping {

QStringList mappedPaths()
{
    // The table does not change while the program runs: it is read once.
    static const QStringList paths = [] {
        QStringList all;
        for (const Row& row : makeRows(QStringLiteral("English")))
            all << row.paths;
        return all;
    }();
    return paths;
}

QStringList importedKeys()
{
    static const QStringList keys = [] {
        QStringList all;
        for (const Row& row : makeRows(QStringLiteral("English")))
            for (const QString& k : row.keys)
                if (!all.contains(k))
                    all << k;
        return all;
    }();
    return keys;
}

QString targetLabel(const QString& key)
{
    static const QHash<QString, QString> labels = {
        {QStringLiteral("CONAME"), QStringLiteral("Company Name:")},
        {QStringLiteral("CONTACT"), QStringLiteral("Contact Name:")},
        {QStringLiteral("CEMAIL"), QStringLiteral("Contact E-Mail:")},
        {QStringLiteral("CPHONE"), QStringLiteral("Contact Phone:")},
        {QStringLiteral("CFAX"), QStringLiteral("Contact Fax:")},
        {QStringLiteral("CADDR"), QStringLiteral("Contact Address:")},
        {QStringLiteral("CCITY"), QStringLiteral("Contact City:")},
        {QStringLiteral("CSTATE"), QStringLiteral("Contact State/Province:")},
        {QStringLiteral("CZIP"), QStringLiteral("Postal (Zip):")},
        {QStringLiteral("CCOUNTRY"), QStringLiteral("Contact Country:")},
        {QStringLiteral("CURL"), QStringLiteral("Company Home Page:")},
        {QStringLiteral("CCMAIL"), QStringLiteral("Company E-Mail:")},
        {QStringLiteral("NAME"), QStringLiteral("Application Name:")},
        {QStringLiteral("VERSION"), QStringLiteral("Version")},
        {QStringLiteral("DAY"), QStringLiteral("Day")},
        {QStringLiteral("MONTH"), QStringLiteral("Release Month:")},
        {QStringLiteral("YEAR"), QStringLiteral("Year")},
        {QStringLiteral("PLATFORM"), QStringLiteral("Platform(s)")},
        {QStringLiteral("DSTATUS"), QStringLiteral("Submitted By:")},
        {QStringLiteral("SIZE32"), QStringLiteral("32 Bit File Size")},
        {QStringLiteral("SIZE16"), QStringLiteral("16 Bit File Size")},
        {QStringLiteral("PRICE"), QStringLiteral("Price: $")},
        {QStringLiteral("STATUS"), QStringLiteral("Status")},
        {QStringLiteral("EVAL"), QStringLiteral("Evaluation Period")},
        {QStringLiteral("XDATE"), QStringLiteral("Expiration Date (day-month-year):")},
        {QStringLiteral("XDAYS"), QStringLiteral("Expires After:")},
        {QStringLiteral("installer"), QStringLiteral("Install/Uninstall")},
        {QStringLiteral("APPURL"), QStringLiteral("Application Info URL")},
        {QStringLiteral("SHOT"), QStringLiteral("URL Location of ScreenShot")},
        {QStringLiteral("GIF"), QStringLiteral("URL Location of .GIF Icon")},
        {QStringLiteral("ICO"), QStringLiteral("URL Location of .ICO Icon")},
        {QStringLiteral("SHORTDESC"), QStringLiteral("Short Description:")},
        {PadRecordValues::LongDescription, QStringLiteral("Long Description")},
        {PadRecordValues::SpecialRequirements, QStringLiteral("Special Requirements:")},
    };
    if (const auto it = labels.constFind(key); it != labels.constEnd())
        return *it;
    static const QRegularExpression download(QStringLiteral("^DL([1-4])_(32|16)$"));
    if (const auto m = download.match(key); m.hasMatch())
        return m.captured(2) + u" Bit Download Locations: URL#" + m.captured(1) + u':';
    return key;
}

QString companyName(const PadValues& file)
{
    return asRecord(QStringLiteral("CONAME"), file.value(path("Company_Info/Company_Name")), nullptr);
}

QString applicationName(const PadValues& file)
{
    return asRecord(QStringLiteral("NAME"), file.value(path("Program_Info/Program_Name")), nullptr);
}

PadImport importValues(const PadValues& file, const PadRecordValues& current)
{
    PadImport result;
    result.records = current;
    const QList<Row> rows = makeRows(descriptionLanguage(file));

    PadValues derivedCurrent;
    for (const Row& row : rows)
        row.out(current, PadValues(), PadVersion::V4_0, derivedCurrent);

    QSet<QString> mapped;
    QSet<QString> listed; // the fields the preview already shows
    for (const Row& row : rows) {
        QStringList present;
        for (const QString& p : row.paths)
            if (file.contains(p))
                present << p;
        for (const QString& p : row.paths)
            mapped.insert(p);
        // Without its own fields a row may still read its fallbacks; it is shown under those.
        const bool fromFallbacks = present.isEmpty();
        if (fromFallbacks)
            for (const QString& p : row.fallbacks)
                if (file.contains(p))
                    present << p;
        if (present.isEmpty())
            continue;

        QStringList targets;
        for (const QString& k : row.keys)
            targets << targetLabel(k);
        // A record value that exports to what the file says is kept as it is.
        const bool same = !fromFallbacks && std::all_of(present.begin(), present.end(), [&](const QString& p) {
            return file.value(p) == derivedCurrent.value(p);
        });
        if (same) {
            QStringList shown;
            for (const QString& k : row.keys)
                if (!current.value(k).isEmpty())
                    shown << PadText::fromRecord(current.value(k));
            for (const QString& p : present) {
                result.rows.append({p.mid(13), file.value(p), targets.join(u", "), shown.join(u", "), Kind::Unchanged,
                                    QStringLiteral("the record already says this")});
                listed.insert(p);
            }
            continue;
        }

        Reading reading{result.records, {}, {}, {}};
        row.in(file, reading);
        QStringList setTargets;
        QStringList results;
        QList<Remark> remarks = reading.remarks;
        bool changed = false;
        for (const QString& k : row.keys) {
            if (!reading.set.contains(k))
                continue;
            const QString value = asRecord(k, reading.set.value(k), &remarks);
            setTargets << targetLabel(k);
            results << PadText::fromRecord(value);
            if (value != result.records.value(k)) {
                changed = true;
                if (!current.value(k).isEmpty())
                    remarks.append({Kind::Set, u"was " + PadText::fromRecord(current.value(k))});
            }
            result.records.set(k, value);
        }
        // A value no field of the records can hold leaves the field empty.
        for (const QString& k : reading.unset) {
            setTargets << targetLabel(k);
            if (!result.records.value(k).isEmpty()) {
                changed = true;
                remarks.append({Kind::Set, u"was " + PadText::fromRecord(result.records.value(k))});
            }
            result.records.set(k, QString());
        }
        Kind kind = changed ? Kind::Set : Kind::Unchanged;
        QStringList notes;
        for (const Remark& r : remarks) {
            notes << r.text;
            if (r.kind == Kind::Loss)
                kind = Kind::Loss;
            else if (r.kind == Kind::Guess && kind != Kind::Loss)
                kind = Kind::Guess;
        }
        for (const QString& p : present) {
            result.rows.append({p.mid(13), file.value(p), setTargets.join(u", "), results.join(u", "), kind,
                                notes.join(u"; ")});
            listed.insert(p);
        }
    }

    // What the records cannot say is kept with the details: every field no row
    // maps, and a mapped row whose file values an export would not give back.
    PadValues derivedNew;
    for (const Row& row : rows)
        row.out(result.records, PadValues(), PadVersion::V4_0, derivedNew);
    QSet<QString> keep;
    for (const Row& row : rows) {
        const bool always = row.keys.contains(PadRecordValues::SpecialRequirements);
        for (const QString& p : row.paths) {
            if (file.contains(p) && (always || file.value(p) != derivedNew.value(p))) {
                for (const QString& q : row.paths)
                    if (file.contains(q))
                        keep.insert(q);
                break;
            }
        }
    }
    for (const PadEntry& e : file.entries()) {
        if (isDropped(e.path)) {
            result.rows.append({e.path.mid(13), e.value, QStringLiteral("—"), QString(), Kind::Dropped,
                                QStringLiteral("not kept")});
            continue;
        }
        if (mapped.contains(e.path) && !keep.contains(e.path))
            continue;
        result.details.set(e.path, e.value);
        if (!mapped.contains(e.path) && !listed.contains(e.path))
            result.rows.append({e.path.mid(13), e.value, QStringLiteral("PAD details"), e.value, Kind::Detail,
                                QString()});
    }
    return result;
}

PadValues exportValues(const PadRecordValues& records, const PadValues& details, PadVersion version)
{
    const QList<Row> rows = makeRows(QStringLiteral("English"));
    PadValues derived;
    for (const Row& row : rows)
        row.out(records, details, version, derived);
    PadValues overlay = derived;
    for (const PadEntry& e : details.entries())
        overlay.set(e.path, e.value);

    PadValues out;
    out.set(path("MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION"), PadRules::versionText(version));
    out.set(path("MASTER_PAD_VERSION_INFO/MASTER_PAD_EDITOR"), QStringLiteral("Zentrel 2.13"));
    out.set(path("MASTER_PAD_VERSION_INFO/MASTER_PAD_INFO"),
            QStringLiteral("Portable Application Description, or PAD for short, is a data set that is used by "
                           "shareware authors to describe their programs. To find out more go to "
                           "http://pad.asp-software.org"));

    QSet<QString> mapped;
    for (const Row& row : rows) {
        bool kept = false;
        for (const QString& p : row.paths) {
            mapped.insert(p);
            kept = kept || details.contains(p);
        }
        // A kept value is written when importing it gives what the records hold.
        bool useKept = false;
        if (kept) {
            Reading reading{records, {}, {}, {}};
            row.in(overlay, reading);
            useKept = true;
            for (auto it = reading.set.constBegin(); it != reading.set.constEnd() && useKept; ++it) {
                const QString k = it.key();
                // The requirements field is never stored: "None" or nothing there means the details speak.
                if (k == PadRecordValues::SpecialRequirements) {
                    const QString shown = records.value(k).trimmed();
                    useKept = shown.isEmpty() || shown == u"None" || asRecord(k, it.value(), nullptr) == shown;
                    continue;
                }
                useKept = asRecord(k, it.value(), nullptr) == records.value(k);
            }
            for (const QString& k : reading.unset)
                useKept = useKept && records.value(k).isEmpty();
        }
        for (const QString& p : row.paths)
            out.set(p, useKept ? overlay.value(p) : derived.value(p));
    }

    for (const PadEntry& e : details.entries()) {
        // The version and the editor are those of the file being written.
        if (mapped.contains(e.path) || isDropped(e.path) || e.path == path("MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION")
            || e.path == path("MASTER_PAD_VERSION_INFO/MASTER_PAD_EDITOR"))
            continue;
        out.set(e.path, e.value);
    }
    // Values the details may lack, filled the way a user would.
    const QString language = path("Program_Info/Program_Language");
    if (out.value(language).isEmpty())
        out.set(language, QStringLiteral("English"));
    // A 4.0 file must say whether the publisher is an ASP member.
    const QString aspMember = path("ASP/ASP_Member");
    if (version == PadVersion::V4_0 && out.value(aspMember).isEmpty())
        out.set(aspMember, QStringLiteral("N"));
    const QString authorFirst = path("Company_Info/Contact_Info/Author_First_Name");
    const QString authorLast = path("Company_Info/Contact_Info/Author_Last_Name");
    if (!details.contains(authorFirst) && !details.contains(authorLast)) {
        const QString contact = unicode(records, QStringLiteral("CONTACT")).trimmed();
        const qsizetype blank = contact.lastIndexOf(u' ');
        out.set(authorFirst, blank > 0 ? contact.left(blank).trimmed() : contact);
        out.set(authorLast, blank > 0 ? contact.mid(blank + 1) : QString());
    }
    return out;
}

} // namespace PadMapping
