#include "EngineFixture.h"

#include "records/ApplicationRecord.h"
#include "records/Clock.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"

#include <QFile>
#include <QLocale>

namespace {

// The entry of the Application site list being posted.
struct Choices : CategoryChoices {
    QString primary;
    QString secondary;
    QString primaryChoice() const override { return primary; }
    QString secondaryChoice() const override { return secondary; }
};

} // namespace

class ScriptExpansionTest : public EngineFixture {
protected:
    ProgramSettings settings;
    CompanyRecord company{companies, prompts};
    ApplicationRecord app{applications, company, settings, prompts};
    Choices choices;

    void SetUp() override
    {
        start();
        engine->setRecords(&company, &app);
        engine->setCategoryChoices(&choices);
        companies.setNames({s("Acme Inc")});
        companies.setCurrentIndex(0);
        applications.setNames({s("Tool")});
        applications.setCurrentIndex(0);
        Clock::set([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 5, 30)); });
    }
    void TearDown() override { Clock::set({}); }

    QString expand(const QString& tmpl, ExpandMode mode = ExpandMode::Check) { return engine->Expand(tmpl, mode); }
    bool failed() const { return engine->ExpandError(); }
    QString errorText() const { return engine->ExpandErrorText(); }
};

TEST_F(ScriptExpansionTest, VariablesAreReplacedAndPercentSignsFollowTheRules)
{
    app.setField(AppField::Version, s("2.1"));
    EXPECT_EQ(expand(s("Version %APPVERSION% of %APPNAME%")), s("Version 2.1 of Tool"));
    EXPECT_FALSE(failed());
    EXPECT_EQ(expand(s("no variables")), s("no variables"));
    EXPECT_EQ(expand(QString()), QString());

    EXPECT_EQ(expand(s("100%")), s("100%"));
    EXPECT_FALSE(failed());

    for (const char* bad : {"100% sure", "%APPNAME", "%", "%APPNAME%%", "a %% b"}) {
        EXPECT_EQ(expand(s(bad)), s(bad)) << bad;
        EXPECT_TRUE(failed()) << bad;
        EXPECT_EQ(errorText(), QString()) << bad;
    }

    EXPECT_EQ(expand(s("x %appname% y")), s("x %appname% y"));
    EXPECT_TRUE(failed());
    EXPECT_EQ(errorText(), s("appname"));
    EXPECT_EQ(expand(s("%APPVERSION%")), s("2.1"));
    EXPECT_FALSE(failed()) << "each expansion starts afresh";
    EXPECT_EQ(expand(s("line1\r\n%APPNAME%\r\n")), s("line1\r\nTool\r\n"));
}

TEST_F(ScriptExpansionTest, ValuesComeFromTheRecordsAsTheyStand)
{
    company.setField(CompanyField::Phone, s("555-1234"));
    company.setBhsId(s("4711"));
    app.setField(AppField::Char8, s("tool"));
    app.setSpecialRequirements(s("DirectX 5"));
    app.setLongDescription({s("First line"), s("Second line")});
    app.setNotes({s("Reg code: ABC")});
    app.setField(AppField::Dl2_16, s("http://mirror/t16.zip"));
    app.setField(AppField::Dl1_32, s("http://main/t32.zip"));
    app.setField(AppField::Dl1_16, s("http://main/t16.zip"));
    EXPECT_EQ(expand(s("%COMPNAME%|%CONTPHONE%|%BHSID%|%8PLUS3%|%APPREQ%")),
              s("Acme Inc|555-1234|4711|tool|DirectX 5"));
    EXPECT_EQ(expand(s("%APPLONGDESC%")), s("First line\r\nSecond line"));
    EXPECT_EQ(expand(s("%APPNOTES%")), s("Reg code: ABC"));
    EXPECT_EQ(expand(s("%APP32DL1%|%APP32DL2%|%APP16DL2%|%APP32DL3%")),
              s("http://main/t32.zip|http://mirror/t16.zip|http://mirror/t16.zip|"));
    EXPECT_FALSE(failed());
}

TEST_F(ScriptExpansionTest, TranslatedValuesFollowTheSite)
{
    app.setField(AppField::Platform, s("Windows 95"));
    app.setField(AppField::Status, s("Shareware"));
    engine->site().translation(Translation::Windows95) = s("Win95");
    engine->site().translation(Translation::Shareware) = QString();
    EXPECT_EQ(expand(s("%APPPLAT%/%APPSTATUS%")), s("Win95/Shareware"));
    app.setField(AppField::Platform, s("Linux"));
    EXPECT_EQ(expand(s("%APPPLAT%")), s("Linux"));
    app.setField(AppField::Installer, s("Install/Uninstall"));
    app.setField(AppField::DistStatus, s("Author"));
    engine->site().translation(Translation::InstallUninstall) = s("Yes");
    engine->site().translation(Translation::Author) = s("Programmer");
    EXPECT_EQ(expand(s("%APPINSTALL% %APPSUBMITBY%")), s("Yes Programmer"));
}

TEST(SizeConversion, KilobytesAndMegabytes)
{
    const auto k = [](qint64 bytes) { return Kilobytes(QString::number(bytes)); };
    const auto m = [](qint64 bytes) { return Megabytes(QString::number(bytes)); };
    EXPECT_EQ(k(1500 * 1024), QStringLiteral("1500"));
    EXPECT_EQ(m(1500 * 1024), QStringLiteral("1.46"));
    EXPECT_EQ(k(1536 * 1024), QStringLiteral("1536"));
    EXPECT_EQ(m(1536 * 1024), QStringLiteral("1.5"));
    EXPECT_EQ(k(2048 * 1024), QStringLiteral("2048"));
    EXPECT_EQ(m(2048 * 1024), QStringLiteral("2"));
    EXPECT_EQ(k(500), QStringLiteral("1"));
    EXPECT_EQ(m(500), QStringLiteral("0.00"));
    EXPECT_EQ(k(1024), QStringLiteral("1"));
    EXPECT_EQ(k(2047), QStringLiteral("1"));
    EXPECT_EQ(Kilobytes(QString()), QStringLiteral("1"));
    EXPECT_EQ(Megabytes(QString()), QStringLiteral("0.00"));
    EXPECT_EQ(Kilobytes(QStringLiteral("12abc")), QStringLiteral("1"));
    EXPECT_EQ(m(qint64(5000) * 1024 * 1024 * 1024), QStringLiteral("5120000")) << "no exponent";
}

TEST_F(ScriptExpansionTest, SizesFollowTheByteFormatWithTheSixteenBitFallback)
{
    app.setField(AppField::Size16, QString::number(3072 * 1024));
    engine->site().byteFormat = 3;
    EXPECT_EQ(expand(s("%APPSIZE32%")), s("3"));
    engine->site().byteFormat = 2;
    EXPECT_EQ(expand(s("%APPSIZE32%")), s("3072"));
    engine->site().byteFormat = 1;
    EXPECT_EQ(expand(s("%APPSIZE32%|%APPINSTSIZE32%")), s("3145728|"));
    app.setField(AppField::InstSize16, s("100"));
    EXPECT_EQ(expand(s("%APPINSTSIZE32%")), s("100"));
    engine->site().byteFormat = 3;
    EXPECT_EQ(expand(s("%APPSIZE16%|%APPINSTSIZE16%")), s("3|0.00"));
}

TEST_F(ScriptExpansionTest, ShortDescriptionLineIsPaddedToSixteen)
{
    app.setField(AppField::Char8, s("TOOL"));
    app.setField(AppField::ShortDesc, s("A tool."));
    EXPECT_EQ(expand(s("%FBBSDESC%")), s("TOOL.zip        A tool."));
    app.setField(AppField::Char8, s("LONGNAME1234"));
    EXPECT_EQ(expand(s("%FBBSDESC%")), s("LONGNAME1234.zipA tool."));
}

TEST_F(ScriptExpansionTest, CategoriesInCheckAndSubmissionMode)
{
    // A site without categories.
    EXPECT_EQ(expand(s("c=%SITECAT1%"), ExpandMode::Submission), s("c=%UNKNOWN%"));
    EXPECT_FALSE(failed());
    EXPECT_EQ(expand(s("c=%SITECAT1%"), ExpandMode::Check), s("c=%SITECAT1%"));
    EXPECT_TRUE(failed());
    EXPECT_EQ(errorText(), s("%UNKNOWN%"));

    SiteDefinition& site = engine->site();
    site.primaryCategories = {s("10\">Games"), s("20\">Utilities"), s("30\">Desktop Utilities")};
    site.secondaryCategories = {s("5\">Misc")};
    EXPECT_EQ(expand(s("%SITECAT1%/%SITECAT2%"), ExpandMode::Check), s("10/5"));

    site.useCat1 = false;
    choices.primary = s("Utilities");
    EXPECT_EQ(expand(s("%SITECAT1%"), ExpandMode::Submission), s("%UNKNOWN%")) << "the site asks for none";
    site.useCat1 = true;
    EXPECT_EQ(expand(s("%SITECAT1%"), ExpandMode::Submission), s("20"));
    choices.primary = s("Desktop");
    EXPECT_EQ(expand(s("%SITECAT1%"), ExpandMode::Submission), s("30")) << "a substring of a line";
    choices.primary = s("NOT SET!");
    EXPECT_EQ(expand(s("%SITECAT1%"), ExpandMode::Submission), s("NOT SET!"));
    EXPECT_FALSE(failed());
    choices.primary = QString();
    EXPECT_EQ(expand(s("%SITECAT1%"), ExpandMode::Submission), s("%SITECAT1%"));
    EXPECT_TRUE(failed());
    EXPECT_EQ(errorText(), s("%UNKNOWN%"));

    site.useCat2 = true;
    choices.secondary = s("Misc");
    EXPECT_EQ(expand(s("%SITECAT2%"), ExpandMode::Submission), s("5"));
}

TEST_F(ScriptExpansionTest, ClockValuesComeFromTheFixedClock)
{
    EXPECT_EQ(expand(s("%CURDATE_DAY%.%CURDATE_MONTH%.%CURDATE_YEAR% %CURTIME_HRS%:%CURTIME_MIN%")),
              s("7.3.2026 9:5"));
    const QLocale locale = QLocale::system();
    EXPECT_EQ(expand(s("%CURDATE%")), locale.toString(QDate(2026, 3, 7), QLocale::ShortFormat));
    EXPECT_EQ(expand(s("%CURTIME%")), locale.toString(QTime(9, 5, 30), QLocale::LongFormat));
    EXPECT_EQ(expand(s("%SITENAME%")), QString());
    ASSERT_TRUE(engine->AddSite(s("Big Site")));
    EXPECT_EQ(expand(s("%SITENAME%")), s("Big Site"));
}

TEST(ScriptVariableTable, SixtyOneUniqueNamesInPickerOrder)
{
    const auto& table = scriptVariables();
    EXPECT_STREQ(table.front().name, "COMPNAME");
    EXPECT_STREQ(table.back().name, "FBBSDESC");
    EXPECT_STREQ(table[6].pickerText, "Contect Telephone");
    QSet<QString> names;
    for (int i = 0; i < ScriptVariableCount; ++i) {
        names.insert(QLatin1String(table[size_t(i)].name));
        EXPECT_EQ(scriptVariableIndex(QLatin1String(table[size_t(i)].name)), i);
    }
    EXPECT_EQ(names.size(), ScriptVariableCount);
    EXPECT_EQ(scriptVariableIndex(QStringLiteral("appname")), -1);
}

TEST_F(ScriptExpansionTest, TheShippedDefaultScriptsExpandCleanly)
{
    for (const char* name : {"FTP_DEF_SCRIPT.SCP", "EMAIL_DEF_SCRIPT_NEW.SCP", "EMAIL_DEF_SCRIPT_UPDATE.SCP"}) {
        QFile file(QStringLiteral(ZENTREL_SOURCE_DIR "/resources/data/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QString script = QString::fromLatin1(file.readAll());
        const QString expanded = expand(script, ExpandMode::Submission);
        EXPECT_FALSE(failed()) << name << " fails at " << errorText().toStdString();
        EXPECT_FALSE(expanded.contains(u'%')) << name;
    }
}
