#include "engines/ScriptVariables.h"

#include "records/Clock.h"

#include <QLocale>

#include <vector>

const std::array<ScriptVariable, ScriptVariableCount>& scriptVariables()
{
    static const std::array<ScriptVariable, ScriptVariableCount> table = {{
        {"COMPNAME", "Company Name"},
        {"COMPURL", "Company URL"},
        {"COMPMAIL", "Company E-Mail"},
        {"CONTNAME", "Contact Name"},
        {"CONTTITLE", "Contact Title"},
        {"CONTEMAIL", "Contact E-Mail"},
        {"CONTPHONE", "Contect Telephone"},
        {"CONTFAX", "Contact Fax"},
        {"CONTADDR", "Contact Address"},
        {"CONTCITY", "Contact City"},
        {"CONTSTATE", "Contact State"},
        {"CONTZIP", "Contact Zip"},
        {"CONTCOUNTRY", "Contact Country"},
        {"APPNAME", "Application Name"},
        {"8PLUS3", "8 character filename"},
        {"APPFILENAME", "Application Filename"},
        {"APPVERSION", "Application Version"},
        {"APPMONTH", "Application Release Month"},
        {"APPDAY", "Application Release Day"},
        {"APPYEAR", "Application Release Year"},
        {"APPPLAT", "Application Platform"},
        {"APPSUBMITBY", "Application Submitted By"},
        {"APPSIZE32", "32 Bit Application File Size"},
        {"APPINSTSIZE32", "32 Bit Application Installed Size"},
        {"APPSIZE16", "16 Bit Application File Size"},
        {"APPINSTSIZE16", "16 Bit Application Installed Size"},
        {"APPLOCALPATH", "Full Local Path To File Archive"},
        {"APPPRICE", "Application Price"},
        {"APPSTATUS", "Application Distribution Status "},
        {"APPEVAL", "Application Evaluation Period "},
        {"APPEXPDATE", "Application Expiration date"},
        {"APPEXPAFTER", "Application Expires After"},
        {"APPREQ", "Application Requirements"},
        {"APPINSTALL", "Application Install/Uninstall Support"},
        {"APPURL", "Application Information URL"},
        {"APP32DL1", "32 Bit Application Download URL #1"},
        {"APP32DL2", "32 Bit Application Download URL #2"},
        {"APP32DL3", "32 Bit Application Download URL #3"},
        {"APP32DL4", "32 Bit Application Download URL #4"},
        {"APP16DL1", "16 Bit Application Download URL #1"},
        {"APP16DL2", "16 Bit Application Download URL #2"},
        {"APP16DL3", "16 Bit Application Download URL #3"},
        {"APP16DL4", "16 Bit Application Download URL #4"},
        {"APPSCREEN", "Application URL to ScreenShot"},
        {"APPICONGIF", "URL to Application Icon in GIF format"},
        {"APPICONICO", "URL to Application Icon in ICO format"},
        {"APPSHORTDESC", "Application short Description"},
        {"APPLONGDESC", "Application Long Description"},
        {"APPNOTES", "Application Notes to Reviewer"},
        {"SITENAME", "Name of site submitting to."},
        {"SITECAT1", "Data for Site category #1"},
        {"SITECAT2", "Data for Site category #2"},
        {"CURDATE", "Current Date"},
        {"CURDATE_DAY", "Current Day"},
        {"CURDATE_MONTH", "Current Month Num"},
        {"CURDATE_YEAR", "Current Year"},
        {"CURTIME", "Current Time"},
        {"CURTIME_HRS", "Current Hours(2400)"},
        {"CURTIME_MIN", "Current Minute"},
        {"BHSID", "ID# For Beverly Hills Software"},
        {"FBBSDESC", "8X3 File Name (.Zip) with Short Description"},
    }};
    return table;
}

int scriptVariableIndex(const QString& name)
{
    return scriptVariableIndex(QStringView(name));
}

int scriptVariableIndex(QStringView name)
{
    // Every template names its variables afresh, so the names are grouped by
    // length and compared without building a string or a hash.
    struct Index {
        std::array<QString, ScriptVariableCount> names;
        std::vector<std::vector<int>> byLength;
    };
    static const Index index = [] {
        Index built;
        for (int i = 0; i < ScriptVariableCount; ++i) {
            const QString& name = built.names[size_t(i)] = QLatin1String(scriptVariables()[size_t(i)].name);
            if (size_t(name.size()) >= built.byLength.size())
                built.byLength.resize(size_t(name.size()) + 1);
            built.byLength[size_t(name.size())].push_back(i);
        }
        return built;
    }();
    if (size_t(name.size()) >= index.byLength.size())
        return -1;
    // Compared from the end, where names of one length mostly differ.
    const QChar* const typed = name.data();
    for (const int i : index.byLength[size_t(name.size())]) {
        const QChar* const known = index.names[size_t(i)].constData();
        qsizetype at = name.size();
        while (at > 0 && known[at - 1] == typed[at - 1])
            --at;
        if (at == 0)
            return i;
    }
    return -1;
}

namespace {

qint64 decimalOrZero(const QString& text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok, 10);
    return ok ? n : 0;
}

} // namespace

namespace {

qint64 kilobytes(const QString& bytes)
{
    const qint64 n = decimalOrZero(bytes);
    return n > 1024 ? n / 1024 : 1;
}

} // namespace

QString Kilobytes(const QString& bytes)
{
    return QString::number(kilobytes(bytes));
}

QString Megabytes(const QString& bytes)
{
    const qint64 k = kilobytes(bytes);
    // Below 100000 MB the quotient has at most five digits before the point and
    // ten after it (1/1024 = 0.0009765625), so its shortest form up to 15
    // significant digits is exact and is written from whole numbers.
    if (k < qint64(100000) * 1024) {
        const qint64 whole = k / 1024;
        const qint64 rest = k % 1024;
        if (rest == 0)
            return QString::number(whole);
        QString fraction = QStringLiteral("%1").arg(rest * 9765625, 10, 10, QLatin1Char('0'));
        while (fraction.endsWith(u'0'))
            fraction.chop(1);
        // Two decimals at most, cut rather than rounded.
        return QString::number(whole) + u'.' + QStringView(fraction).left(2);
    }
    const double megabytes = double(k) / 1024.0;
    QString text = QString::number(megabytes, 'g', 15);
    if (text.contains(u'e')) {
        text = QString::number(megabytes, 'f', 15);
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text.truncate(point + 3);
    return text;
}

const QString& ClockValues::value(Item item)
{
    if (!m_read) {
        const QDateTime now = Clock::now();
        const QDate date = now.date();
        const QTime time = now.time();
        if (date != m_date || time != m_time) {
            m_date = date;
            m_time = time;
            m_formed.fill(false);
        }
        m_read = m_holds > 0;
    }
    if (!m_formed[size_t(item)]) {
        QString& text = m_texts[size_t(item)];
        switch (item) {
        case Date: text = QLocale::system().toString(m_date, QLocale::ShortFormat); break;
        case Day: text = QString::number(m_date.day()); break;
        case Month: text = QString::number(m_date.month()); break;
        case Year: text = QString::number(m_date.year()); break;
        case Time: text = QLocale::system().toString(m_time, QLocale::LongFormat); break;
        case Hours: text = QString::number(m_time.hour()); break;
        case Minutes: text = QString::number(m_time.minute()); break;
        }
        m_formed[size_t(item)] = true;
    }
    return m_texts[size_t(item)];
}
