// Script expansion: the engine builder fills a template's variables from the
// records in memory, the current Site definition and the clock.
#include "engines/TEngBuild.h"

#include "engines/CategoryLine.h"
#include "records/ApplicationRecord.h"
#include "records/CompanyRecord.h"

namespace {

const QString Unknown = QStringLiteral("%UNKNOWN%");

// The variables in table order (EIGHTPLUS3 stands for 8PLUS3).
enum Var {
    COMPNAME, COMPURL, COMPMAIL, CONTNAME, CONTTITLE, CONTEMAIL, CONTPHONE, CONTFAX, CONTADDR, CONTCITY,
    CONTSTATE, CONTZIP, CONTCOUNTRY, APPNAME, EIGHTPLUS3, APPFILENAME, APPVERSION, APPMONTH, APPDAY, APPYEAR,
    APPPLAT, APPSUBMITBY, APPSIZE32, APPINSTSIZE32, APPSIZE16, APPINSTSIZE16, APPLOCALPATH, APPPRICE,
    APPSTATUS, APPEVAL, APPEXPDATE, APPEXPAFTER, APPREQ, APPINSTALL, APPURL, APP32DL1, APP32DL2, APP32DL3,
    APP32DL4, APP16DL1, APP16DL2, APP16DL3, APP16DL4, APPSCREEN, APPICONGIF, APPICONICO, APPSHORTDESC,
    APPLONGDESC, APPNOTES, SITENAME, SITECAT1, SITECAT2, CURDATE, CURDATE_DAY, CURDATE_MONTH, CURDATE_YEAR,
    CURTIME, CURTIME_HRS, CURTIME_MIN, BHSID, FBBSDESC,
    VarCount
};
static_assert(VarCount == ScriptVariableCount);

} // namespace

void TEngBuild::setRecords(const CompanyRecord* company, const ApplicationRecord* application)
{
    m_company = company;
    m_application = application;
}

QString TEngBuild::Expand(const QString& tmpl, ExpandMode mode)
{
    m_expandError = false;
    m_expandErrorText.clear();
    // Every clock variable of one template tells the same moment.
    const ClockValues::Hold clock(m_clock);
    qsizetype sign = tmpl.indexOf(u'%');
    if (sign < 0)
        return tmpl;
    QString output;
    output.reserve(tmpl.size());
    qsizetype pos = 0;
    const qsizetype end = tmpl.size();
    for (;;) {
        if (sign > pos) {
            output += QStringView(tmpl).mid(pos, sign - pos);
            pos = sign;
            // A percent sign that ends the template after plain text stands as it is.
            if (pos == end - 1) {
                output += u'%';
                return output;
            }
        }
        const qsizetype close = tmpl.indexOf(u'%', pos + 1);
        if (close < 0) {
            m_expandError = true;
            return tmpl;
        }
        // The name is looked at where it stands in the template, not copied out.
        const QString value = Lookup(QString::fromRawData(tmpl.constData() + pos + 1, close - pos - 1), mode);
        if (m_expandError)
            return tmpl;
        output += value;
        pos = close + 1;
        sign = tmpl.indexOf(u'%', pos);
        if (sign < 0) {
            output += QStringView(tmpl).mid(pos);
            return output;
        }
    }
}

QString TEngBuild::translated(const QString& value, Translation first, int count) const
{
    static const std::array<QString, TranslationCount> standard = [] {
        std::array<QString, TranslationCount> values;
        for (int i = 0; i < TranslationCount; ++i)
            values[size_t(i)] = SiteDefinition::standardValue(Translation(i));
        return values;
    }();
    for (int i = 0; i < count; ++i) {
        const auto t = Translation(int(first) + i);
        if (value == standard[size_t(t)]) {
            const QString& translation = m_site.translation(t);
            return translation.isEmpty() ? value : translation;
        }
    }
    return value;
}

QString TEngBuild::size(const QString& bytes) const
{
    switch (m_site.byteFormat) {
    case 2: return Kilobytes(bytes);
    case 3: return Megabytes(bytes);
    default: return bytes;
    }
}

QString TEngBuild::category(bool use, const QStringList& lines, const QString& chosen, ExpandMode mode)
{
    if (mode == ExpandMode::Check) {
        if (!lines.isEmpty())
            return CategoryLine::value(lines.first());
    } else {
        if (!use || lines.isEmpty())
            return Unknown; // the site asks for no category: nothing to fail
        if (!chosen.isEmpty())
            for (const QString& line : lines)
                if (line.contains(chosen))
                    return CategoryLine::value(line);
        if (!chosen.isEmpty())
            return chosen;
    }
    m_expandError = true;
    m_expandErrorText = Unknown;
    return Unknown;
}

QString TEngBuild::Lookup(const QString& name, ExpandMode mode)
{
    const int index = scriptVariableIndex(name);
    if (index < 0) {
        m_expandError = true;
        // A copy of its own: the name may only borrow the template's characters.
        m_expandErrorText = QString(name.constData(), name.size());
        return {};
    }
    const auto company = [this](CompanyField f) { return m_company ? m_company->field(f) : QString(); };
    const auto app = [this](AppField f) { return m_application ? m_application->field(f) : QString(); };
    const auto orElse = [&](AppField f, AppField fallback) {
        const QString value = app(f);
        return value.isEmpty() ? app(fallback) : value;
    };
    switch (index) {
    case COMPNAME: return m_company ? m_company->name() : QString();
    case COMPURL: return company(CompanyField::HomePage);
    case COMPMAIL: return company(CompanyField::CompanyEmail);
    case CONTNAME: return company(CompanyField::Contact);
    case CONTTITLE: return company(CompanyField::Title);
    case CONTEMAIL: return company(CompanyField::Email);
    case CONTPHONE: return company(CompanyField::Phone);
    case CONTFAX: return company(CompanyField::Fax);
    case CONTADDR: return company(CompanyField::Address);
    case CONTCITY: return company(CompanyField::City);
    case CONTSTATE: return company(CompanyField::State);
    case CONTZIP: return company(CompanyField::Zip);
    case CONTCOUNTRY: return company(CompanyField::Country);
    case APPNAME: return m_application ? m_application->name() : QString();
    case EIGHTPLUS3: return app(AppField::Char8);
    case APPFILENAME: return app(AppField::FileName);
    case APPVERSION: return app(AppField::Version);
    case APPMONTH: return app(AppField::Month);
    case APPDAY: return app(AppField::Day);
    case APPYEAR: return app(AppField::Year);
    case APPPLAT: return translated(app(AppField::Platform), Translation::Windows31, 4);
    case APPSUBMITBY: return translated(app(AppField::DistStatus), Translation::Author, 4);
    case APPSIZE32: return size(orElse(AppField::Size32, AppField::Size16));
    case APPINSTSIZE32: return size(orElse(AppField::InstSize32, AppField::InstSize16));
    case APPSIZE16: return size(app(AppField::Size16));
    case APPINSTSIZE16: return size(app(AppField::InstSize16));
    case APPLOCALPATH: return app(AppField::Path);
    case APPPRICE: return app(AppField::Price);
    case APPSTATUS: return translated(app(AppField::Status), Translation::FeatureLimitDemo, 6);
    case APPEVAL: return app(AppField::Eval);
    case APPEXPDATE: return app(AppField::ExpireDate);
    case APPEXPAFTER: return app(AppField::ExpireAfter);
    case APPREQ: return m_application ? m_application->specialRequirements() : QString();
    case APPINSTALL: return translated(app(AppField::Installer), Translation::NoInstallFeature, 4);
    case APPURL: return app(AppField::AppUrl);
    case APP32DL1: return orElse(AppField::Dl1_32, AppField::Dl1_16);
    case APP32DL2: return orElse(AppField::Dl2_32, AppField::Dl2_16);
    case APP32DL3: return orElse(AppField::Dl3_32, AppField::Dl3_16);
    case APP32DL4: return orElse(AppField::Dl4_32, AppField::Dl4_16);
    case APP16DL1: return app(AppField::Dl1_16);
    case APP16DL2: return app(AppField::Dl2_16);
    case APP16DL3: return app(AppField::Dl3_16);
    case APP16DL4: return app(AppField::Dl4_16);
    case APPSCREEN: return app(AppField::Shot);
    case APPICONGIF: return app(AppField::Gif);
    case APPICONICO: return app(AppField::Ico);
    case APPSHORTDESC: return app(AppField::ShortDesc);
    case APPLONGDESC: return m_application ? m_application->longDescription().join(QStringLiteral("\r\n")) : QString();
    case APPNOTES: return m_application ? m_application->notes().join(QStringLiteral("\r\n")) : QString();
    case SITENAME: return m_siteName;
    case SITECAT1:
        return category(m_site.useCat1, m_site.primaryCategories,
                        m_choices ? m_choices->primaryChoice() : QString(), mode);
    case SITECAT2:
        return category(m_site.useCat2, m_site.secondaryCategories,
                        m_choices ? m_choices->secondaryChoice() : QString(), mode);
    case CURDATE: return m_clock.value(ClockValues::Date);
    case CURDATE_DAY: return m_clock.value(ClockValues::Day);
    case CURDATE_MONTH: return m_clock.value(ClockValues::Month);
    case CURDATE_YEAR: return m_clock.value(ClockValues::Year);
    case CURTIME: return m_clock.value(ClockValues::Time);
    case CURTIME_HRS: return m_clock.value(ClockValues::Hours);
    case CURTIME_MIN: return m_clock.value(ClockValues::Minutes);
    case BHSID: return m_company ? m_company->bhsId() : QString();
    case FBBSDESC: return QString(app(AppField::Char8) + QStringLiteral(".zip")).leftJustified(16, u' ') + app(AppField::ShortDesc);
    }
    return {};
}
