#include "engines/ScriptVariables.h"

#include <QHash>

#include <cmath>

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
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < ScriptVariableCount; ++i)
            h.insert(QLatin1String(scriptVariables()[size_t(i)].name), i);
        return h;
    }();
    return index.value(name, -1);
}

namespace {

qint64 decimalOrZero(const QString& text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok, 10);
    return ok ? n : 0;
}

} // namespace

QString Kilobytes(const QString& bytes)
{
    const qint64 n = decimalOrZero(bytes);
    return n > 1024 ? QString::number(n / 1024) : QStringLiteral("1");
}

QString Megabytes(const QString& bytes)
{
    const double megabytes = double(Kilobytes(bytes).toLongLong()) / 1024.0;
    QString text = QString::number(megabytes, 'g', 15);
    if (text.contains(u'e')) {
        text = QString::number(megabytes, 'f', 15);
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    // Two decimals at most, cut rather than rounded.
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text.truncate(point + 3);
    return text;
}
