#include "pad/PadRules.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

const QString CompanyName = s("XML_DIZ_INFO/Company_Info/Company_Name");
const QString WebSite = s("XML_DIZ_INFO/Company_Info/Company_WebSite_URL");
const QString ProgramName = s("XML_DIZ_INFO/Program_Info/Program_Name");
const QString OsSupport = s("XML_DIZ_INFO/Program_Info/Program_OS_Support");
const QString Language = s("XML_DIZ_INFO/Program_Info/Program_Language");
const QString Category = s("XML_DIZ_INFO/Program_Info/Program_Category_Class");
const QString Desc450 = s("XML_DIZ_INFO/Program_Descriptions/English/Char_Desc_450");
const QString Desc2000 = s("XML_DIZ_INFO/Program_Descriptions/English/Char_Desc_2000");
const QString AppId = s("XML_DIZ_INFO/Program_Info/AppID");
const QString PublisherId = s("XML_DIZ_INFO/Company_Info/PublisherID");

// The leaf values of a corpus file by path. Read here with the plain XML reader
// so these tests stand apart from the program's own PAD reader.
PadValues readCorpus(const QString& name)
{
    QFile file(s(ZENTREL_SOURCE_DIR "/tests/pad/corpus/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot open " << name.toStdString();
        return {};
    }
    PadValues values;
    QXmlStreamReader xml(&file);
    QStringList path;
    QString text;
    bool leaf = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            path.append(xml.name().toString());
            text.clear();
            leaf = true;
            break;
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::EndElement:
            if (leaf)
                values.set(path.join(u'/'), text);
            leaf = false;
            path.removeLast();
            break;
        default:
            break;
        }
    }
    EXPECT_FALSE(xml.hasError()) << name.toStdString() << ": " << xml.errorString().toStdString();
    return values;
}

const PadValues& corpus(PadVersion version)
{
    static const PadValues v311 = readCorpus(s("full-3.11.xml"));
    static const PadValues v40 = readCorpus(s("full-4.0.xml"));
    return version == PadVersion::V3_11 ? v311 : v40;
}

std::string describe(const QList<PadFailure>& failures)
{
    std::string text;
    for (const PadFailure& f : failures)
        text += QString(f.path + u" | " + f.problem + u" | " + f.ruleText + u'\n').toStdString();
    return text;
}

QStringList pathsOf(const QList<PadFailure>& failures)
{
    QStringList paths;
    for (const PadFailure& f : failures)
        paths.append(f.path);
    return paths;
}

// The failures of the version's full corpus file with one value changed.
QList<PadFailure> checkWith(PadVersion version, const QString& path, const QString& value)
{
    PadValues values = corpus(version);
    values.set(path, value);
    return PadRules::check(values, version);
}

const PadFieldRule* ruleFor(PadVersion version, const QString& path)
{
    for (const PadFieldRule& rule : PadRules::fields(version)) {
        if (rule.path == path)
            return &rule;
    }
    return nullptr;
}

constexpr PadVersion Versions[] = {PadVersion::V3_11, PadVersion::V4_0};

} // namespace

TEST(PadRuleTablesTest, EveryPatternCompilesAndEveryPathIsOneFieldUnderTheRoot)
{
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        QSet<QString> seen;
        QStringList paths;
        for (const PadFieldRule& rule : PadRules::fields(version)) {
            const QRegularExpression pattern(rule.regex);
            EXPECT_TRUE(pattern.isValid()) << rule.path.toStdString() << ": " << pattern.errorString().toStdString();
            EXPECT_TRUE(rule.path.startsWith(u"XML_DIZ_INFO/")) << rule.path.toStdString();
            EXPECT_FALSE(seen.contains(rule.path)) << "twice: " << rule.path.toStdString();
            EXPECT_FALSE(rule.title.isEmpty()) << rule.path.toStdString();
            seen.insert(rule.path);
            paths.append(rule.path);
        }
        EXPECT_EQ(PadRules::order(version), paths);
    }
    EXPECT_EQ(PadRules::versionText(PadVersion::V3_11), s("3.11"));
    EXPECT_EQ(PadRules::versionText(PadVersion::V4_0), s("4.0"));
}

TEST(PadRulesCorpusTest, CompleteFilesPassTheirOwnVersion)
{
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        const PadValues& values = corpus(version);
        // Every field of the PAD version that holds a value is filled in the file.
        for (const PadFieldRule& rule : PadRules::fields(version)) {
            if (!rule.path.endsWith(u"/Signature")) {
                EXPECT_FALSE(values.value(rule.path).isEmpty()) << "not filled: " << rule.path.toStdString();
            }
        }
        const QList<PadFailure> failures = PadRules::check(values, version);
        EXPECT_TRUE(failures.isEmpty()) << describe(failures);
    }
}

TEST(PadRulesCorpusTest, HttpsAndNewSystemsBreakOnlyThe311Rules)
{
    const PadValues& file40 = corpus(PadVersion::V4_0);
    ASSERT_TRUE(file40.value(WebSite).startsWith(u"https://"));
    const QList<PadFailure> failures = PadRules::check(file40, PadVersion::V3_11);
    EXPECT_EQ(pathsOf(failures),
              (QStringList{WebSite, OsSupport, s("XML_DIZ_INFO/Web_Info/Application_URLs/Application_Info_URL"),
                           s("XML_DIZ_INFO/Web_Info/Application_URLs/Application_Screenshot_URL"),
                           s("XML_DIZ_INFO/Web_Info/Application_URLs/Application_Icon_URL"),
                           s("XML_DIZ_INFO/Web_Info/Application_URLs/Application_XML_File_URL"),
                           s("XML_DIZ_INFO/Web_Info/Download_URLs/Primary_Download_URL")}))
        << describe(failures);
    ASSERT_FALSE(failures.isEmpty());
    EXPECT_EQ(failures.first(),
              (PadFailure{WebSite, s("\"https://www.harbourlight.example.com/\" does not match"),
                          s("URL http:// + 2-120 characters")}));

    // The same https address in a 3.11 file fails that one field, and 4.0 takes it.
    const QList<PadFailure> one = checkWith(PadVersion::V3_11, WebSite, s("https://www.harbourlight.example.com/"));
    EXPECT_EQ(pathsOf(one), QStringList{WebSite}) << describe(one);
    EXPECT_TRUE(checkWith(PadVersion::V4_0, WebSite, s("https://www.harbourlight.example.com/")).isEmpty());
}

TEST(PadRulesCheckTest, AMissingRequiredValueIsReportedAsEmpty)
{
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        PadValues values = corpus(version);
        values.remove(CompanyName);
        values.set(ProgramName, QString());
        // Optional fields may be empty or absent.
        values.set(s("XML_DIZ_INFO/Company_Info/Address_2"), QString());
        values.remove(s("XML_DIZ_INFO/Web_Info/Download_URLs/Secondary_Download_URL"));
        values.set(s("XML_DIZ_INFO/Company_Info/Support_Info/Fax_Phone"), QString());
        EXPECT_EQ(PadRules::check(values, version),
                  (QList<PadFailure>{{CompanyName, s("is empty"), s("Text string 2-40 characters")},
                                     {ProgramName, s("is empty"), s("Text string 1-40 characters")}}));
    }
    // 4.0 wants the ASP membership answered.
    PadValues values = corpus(PadVersion::V4_0);
    values.remove(s("XML_DIZ_INFO/ASP/ASP_Member"));
    EXPECT_EQ(pathsOf(PadRules::check(values, PadVersion::V4_0)), QStringList{s("XML_DIZ_INFO/ASP/ASP_Member")});
}

TEST(PadRulesCheckTest, AppVisorIdentifiersAreCheckedOnlyWhenTheFileHasThem)
{
    PadValues values = corpus(PadVersion::V4_0);
    const QStringList identifiers{AppId, PublisherId, s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/CERTIFIED"),
                                  s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/CERTIFICATE_ID"),
                                  s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/CERTIFICATE_LICENSE")};
    for (const QString& path : identifiers) {
        ASSERT_NE(ruleFor(PadVersion::V4_0, path), nullptr) << path.toStdString();
        EXPECT_TRUE(ruleFor(PadVersion::V4_0, path)->onlyWhenPresent) << path.toStdString();
        values.remove(path);
    }
    EXPECT_TRUE(PadRules::check(values, PadVersion::V4_0).isEmpty());
    values.set(AppId, QString());
    EXPECT_TRUE(PadRules::check(values, PadVersion::V4_0).isEmpty()) << "an empty identifier counts as absent";

    EXPECT_EQ(checkWith(PadVersion::V4_0, AppId, s("app-3F8A2C91D0E7")),
              (QList<PadFailure>{{AppId, s("\"app-3F8A2C91D0E7\" does not match"), s("Server generated # from AppVisor")}}));
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, PublisherId, s("pid-7k2m9q4x1c8"))), QStringList{PublisherId});
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/CERTIFIED"), s("yes"))),
              QStringList{s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/CERTIFIED")});
}

TEST(PadRulesCheckTest, LengthAndRangeRulesHoldAtTheirLimits)
{
    struct Case {
        const char* path;
        QString passes;
        QString fails;
    };
    const Case cases[] = {
        {"XML_DIZ_INFO/Company_Info/Company_Name", QString(40, u'x'), QString(41, u'x')},
        {"XML_DIZ_INFO/Company_Info/Company_Name", s("HL"), s("H")},
        {"XML_DIZ_INFO/Program_Info/Program_Name", s("Q"), QString(41, u'q')},
        {"XML_DIZ_INFO/Program_Info/Program_Version", s("1.0.0-beta_2345"), s("1.0.0-beta_23456")},
        {"XML_DIZ_INFO/Program_Info/Program_Version", s("2.5.1"), s("v 2.5.1")},
        {"XML_DIZ_INFO/Program_Descriptions/English/Char_Desc_45", QString(45, u'd'), QString(46, u'd')},
        {"XML_DIZ_INFO/Program_Descriptions/English/Char_Desc_80", QString(80, u'd'), s("no <b>HTML</b>")},
        {"XML_DIZ_INFO/Program_Info/Program_Release_Month", s("12"), s("13")},
        {"XML_DIZ_INFO/Program_Info/Program_Release_Month", s("09"), s("9")},
        {"XML_DIZ_INFO/Program_Info/Program_Release_Day", s("31"), s("32")},
        {"XML_DIZ_INFO/Program_Info/Program_Release_Year", s("2199"), s("2200")},
        {"XML_DIZ_INFO/Program_Info/Program_Cost_Dollars", s("19.95"), s("19.9")},
        {"XML_DIZ_INFO/Program_Info/File_Info/File_Size_Bytes", s("100"), s("99")},
        {"XML_DIZ_INFO/Company_Info/Support_Info/Sales_Phone", s("+1 555 0100"), s("555 0100 ext 2")},
        {"XML_DIZ_INFO/Company_Info/Contact_Info/Author_Email", s("me@example.com"), s("me@example")},
        {"XML_DIZ_INFO/Web_Info/Download_URLs/Primary_Download_URL", s("ftp://ftp.example.com/a/setup.msi"),
         s("http://www.example.com/setup.EXE")},
        {"XML_DIZ_INFO/Company_Info/City_Town", s("Zürich"), s("Łódź")},
        {"XML_DIZ_INFO/Company_Info/Country", s("Côte d'Ivoire"), s("Country 2")},
    };
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        for (const Case& c : cases) {
            const QString path = s(c.path);
            const QList<PadFailure> good = checkWith(version, path, c.passes);
            EXPECT_TRUE(good.isEmpty()) << c.path << " = " << c.passes.toStdString() << "\n" << describe(good);
            EXPECT_EQ(pathsOf(checkWith(version, path, c.fails)), QStringList{path})
                << c.path << " = " << c.fails.toStdString();
        }
    }
}

TEST(PadRulesCheckTest, TheWholeValueMustMatch)
{
    // A pattern ending in \Z alone would let a trailing line break through.
    const QString version = s("XML_DIZ_INFO/MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION");
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V3_11, version, s("3.11\n"))), QStringList{version});
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, s("XML_DIZ_INFO/Program_Info/Program_Type"), s("Shareware\n"))),
              QStringList{s("XML_DIZ_INFO/Program_Info/Program_Type")});
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, s("XML_DIZ_INFO/Program_Info/Program_Type"), s("Freeware2"))),
              QStringList{s("XML_DIZ_INFO/Program_Info/Program_Type")});
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, OsSupport, s("Win95,WinXP"))), QStringList{OsSupport});
    // Languages are joined by commas with no spaces between.
    EXPECT_EQ(pathsOf(checkWith(PadVersion::V4_0, Language, s("English, German"))), QStringList{Language});
}

TEST(PadRulesCheckTest, LineBreaksCountOnceAndOnlyLongDescriptionsTakeThem)
{
    // Exactly 2000 characters in ten lines.
    QString lines;
    for (int i = 0; i < 10; ++i) {
        if (i > 0)
            lines += u'\n';
        lines += QString(i == 0 ? 182 : 201, QChar(u'a' + i));
    }
    ASSERT_EQ(lines.size(), 2000);
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        EXPECT_TRUE(checkWith(version, Desc2000, lines).isEmpty());
        // Breaks written as CR LF or CR are one break each, as any XML reader sees them.
        QString crlf = lines;
        crlf.replace(u'\n', s("\r\n"));
        EXPECT_TRUE(checkWith(version, Desc2000, crlf).isEmpty()) << "CR LF counted twice";
        QString cr = lines;
        cr.replace(u'\n', u'\r');
        EXPECT_TRUE(checkWith(version, Desc2000, cr).isEmpty());

        EXPECT_EQ(pathsOf(checkWith(version, Desc2000, lines + u'z')), QStringList{Desc2000});
        EXPECT_EQ(pathsOf(checkWith(version, Desc450, s("One line.\nTwo lines."))), QStringList{Desc450});
        EXPECT_EQ(pathsOf(checkWith(version, Desc450, s("One line.\r\nTwo lines."))), QStringList{Desc450});
    }
}

TEST(PadRulesCheckTest, AFailureQuotesAtMostSixtyCharactersOfTheValue)
{
    const QString name = s("TideTable Planner Professional Edition for Harbour Masters and Pilots");
    ASSERT_GT(name.size(), 60);
    const QList<PadFailure> failures = checkWith(PadVersion::V3_11, ProgramName, name);
    ASSERT_EQ(failures.size(), 1) << describe(failures);
    EXPECT_EQ(failures.first().problem, QString(u'"' + name.left(60) + u"...\" does not match"));
    EXPECT_EQ(failures.first().ruleText, s("Text string 1-40 characters"));

    // A value of exactly 60 characters is quoted whole.
    const QString sixty(60, u'9');
    EXPECT_EQ(checkWith(PadVersion::V4_0, s("XML_DIZ_INFO/Program_Info/Program_Version"), sixty).first().problem,
              QString(u'"' + sixty + u"\" does not match"));
}

TEST(PadRulesListsTest, ChoicesFollowTheRulesInOrderAndEachPassesItsRule)
{
    for (const PadVersion version : Versions) {
        SCOPED_TRACE(PadRules::versionText(version).toStdString());
        const auto passes = [&](const QString& path, const QString& value) {
            const QList<PadFailure> failures = checkWith(version, path, value);
            EXPECT_TRUE(failures.isEmpty()) << path.toStdString() << " = " << value.toStdString();
        };
        const QStringList os = PadRules::osNames(version);
        for (const QString& name : os)
            passes(OsSupport, name);
        passes(OsSupport, os.join(u','));
        const QStringList languages = PadRules::languages(version);
        for (const QString& name : languages)
            passes(Language, name);
        passes(Language, languages.join(u','));
        for (const QString& name : PadRules::categoryClasses(version))
            passes(Category, name);
        for (const QString& name : PadRules::programTypes(version))
            passes(s("XML_DIZ_INFO/Program_Info/Program_Type"), name);
        for (const QString& name : PadRules::releaseStatuses(version))
            passes(s("XML_DIZ_INFO/Program_Info/Program_Release_Status"), name);

        EXPECT_EQ(PadRules::programTypes(version),
                  (QStringList{s("Shareware"), s("Freeware"), s("Adware"), s("Demo"), s("Commercial"), s("Data Only")}));
        EXPECT_EQ(PadRules::releaseStatuses(version), (QStringList{s("Major Update"), s("Minor Update"), s("New Release"),
                                                                   s("Beta"), s("Alpha"), s("Media Only")}));
        EXPECT_EQ(languages.size(), 139);
        EXPECT_EQ(languages.first(), s("Abkhazian"));
        EXPECT_EQ(languages.last(), s("Zulu"));
        EXPECT_FALSE(languages.contains(s(","))) << "the comma is no language";
        const QStringList categories = PadRules::categoryClasses(version);
        EXPECT_EQ(categories.size(), 155);
        EXPECT_EQ(categories.first(), s("Audio & Multimedia::Audio Encoders/Decoders"));
        EXPECT_TRUE(categories.contains(s("Development::C / C++ / C#")));
        EXPECT_EQ(categories.last(), s("Web Development::XML/CSS Tools"));
        EXPECT_EQ(os.first(), s("Android"));
        EXPECT_EQ(os.last(), s("Not Applicable"));
        EXPECT_TRUE(os.contains(s("Handheld/Mobile Other")));
    }
    const QStringList newer{s("iPad"), s("Windows 8"), s("Windows Phone 7"), s("Windows Phone 8"), s("Windows RT")};
    EXPECT_EQ(PadRules::osNames(PadVersion::V3_11).size(), 33);
    EXPECT_EQ(PadRules::osNames(PadVersion::V4_0).size(), 33 + newer.size());
    for (const QString& name : newer) {
        EXPECT_FALSE(PadRules::osNames(PadVersion::V3_11).contains(name)) << name.toStdString();
        EXPECT_TRUE(PadRules::osNames(PadVersion::V4_0).contains(name)) << name.toStdString();
    }
}
