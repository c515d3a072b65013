#include "pad/PadMapping.h"
#include "pad/PadText.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

using Kind = PadImportRow::Kind;

QString s(const char* text) { return QString::fromUtf8(text); }
QString p(const char* relative) { return PadMapping::path(relative); }

PadValues values(std::initializer_list<std::pair<const char*, const char*>> entries)
{
    PadValues v;
    for (const auto& [path, value] : entries)
        v.set(p(path), QString::fromUtf8(value));
    return v;
}

// The records an empty workspace gives a new application.
PadRecordValues empty()
{
    PadRecordValues r;
    r.set(s("DSTATUS"), s("Author"));
    return r;
}

const PadImportRow* rowFor(const PadImport& import, const char* relative)
{
    for (const PadImportRow& row : import.rows)
        if (row.field == QLatin1String(relative))
            return &row;
    return nullptr;
}

// A full set of records as a user keeps them.
PadRecordValues fullRecords()
{
    PadRecordValues r;
    const std::pair<const char*, const char*> fields[] = {
        {"CONAME", "Acme Software"}, {"CONTACT", "Jane Doe"}, {"CTITLE", "Owner"}, {"CEMAIL", "jane@acme.example"},
        {"CPHONE", "+1 555 0100"}, {"CFAX", "+1 555 0101"}, {"CADDR", "12 Main Street, Suite 4"},
        {"CCITY", "Springfield"}, {"CSTATE", "IL"}, {"CZIP", "62701"}, {"CCOUNTRY", "USA"},
        {"CURL", "http://www.acme.example"}, {"CCMAIL", "sales@acme.example"}, {"NAME", "Acme Tool"},
        {"FILENAME", "acmetool.zip"}, {"8CHAR", "acmetool"}, {"VERSION", "2.5.1"}, {"DAY", "5"}, {"MONTH", "3"},
        {"YEAR", "26"}, {"PLATFORM", "Windows 95 and NT"}, {"DSTATUS", "Author"}, {"SIZE32", "1536000"},
        {"INSTSIZE32", "4000000"}, {"PRICE", "19.95"}, {"STATUS", "Time Limit Demo"}, {"EVAL", "30 days"},
        {"XDATE", "31-12-2027"}, {"XDAYS", "30"}, {"installer", "Install/Uninstall"},
        {"APPURL", "http://www.acme.example/tool"}, {"DL1_32", "http://www.acme.example/tool.zip"},
        {"DL2_32", "ftp://ftp.acme.example/tool.zip"}, {"SHOT", "http://www.acme.example/shot.png"},
        {"GIF", "http://www.acme.example/icon.gif"}, {"SHORTDESC", "Tidies your files\x99 in one click"},
        {"LONGDESC", "Acme Tool tidies your files.\nIt costs 19 \x80."}, {"SPECREQ", "None"}};
    for (const auto& [key, value] : fields)
        r.set(QString::fromLatin1(key), QString::fromLatin1(value));
    return r;
}

} // namespace

TEST(PadMapping, PlatformFollowsTheKindsOfWindowsNamed)
{
    const struct {
        const char* systems;
        const char* platform;
        Kind kind;
    } cases[] = {
        {"Win98,WinXP,Win7 x64", "Windows 95 and NT", Kind::Set},
        {"Win95, WinME", "Windows 95", Kind::Set},
        {"WinXP,Linux,Mac OS X", "Windows NT", Kind::Set},
        {"Win98,WinOther", "Windows 95", Kind::Set},
        {"WinMobile,Windows 8", "Windows NT", Kind::Set},
        {"Win3.x", "Windows 3.1", Kind::Set},
        {"WinOther", "Windows 95 and NT", Kind::Guess},
        {"Linux,Mac OS X", "", Kind::Loss},
    };
    for (const auto& c : cases) {
        const PadImport got = PadMapping::importValues(values({{"Program_Info/Program_OS_Support", c.systems}}), empty());
        EXPECT_EQ(got.records.value(s("PLATFORM")), QLatin1String(c.platform)) << c.systems;
        const PadImportRow* row = rowFor(got, "Program_Info/Program_OS_Support");
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->kind, c.kind) << c.systems;
    }
    // The systems the records cannot name are kept for the next export.
    const PadImport mixed = PadMapping::importValues(values({{"Program_Info/Program_OS_Support", "WinXP,Linux"}}), empty());
    EXPECT_EQ(mixed.details.value(p("Program_Info/Program_OS_Support")), s("WinXP,Linux"));
}

TEST(PadMapping, StatusFollowsTypeReleaseStatusAndExpiry)
{
    const struct {
        const char* type;
        const char* release;
        const char* expires;
        const char* status;
        Kind kind;
    } cases[] = {
        {"Shareware", "New Release", "N", "Shareware", Kind::Set},
        {"Freeware", "Major Update", "N", "Freeware", Kind::Set},
        {"Adware", "New Release", "N", "Freeware", Kind::Guess},
        {"Demo", "New Release", "Y", "Time Limit Demo", Kind::Set},
        {"Demo", "New Release", "N", "Feature Limit Demo", Kind::Guess},
        {"Freeware", "Beta", "N", "Beta", Kind::Set},
        {"Shareware", "Alpha", "N", "Beta", Kind::Guess},
        {"Commercial", "New Release", "N", "", Kind::Loss},
        {"Data Only", "New Release", "N", "", Kind::Loss},
    };
    for (const auto& c : cases) {
        const PadImport got = PadMapping::importValues(values({{"Program_Info/Program_Type", c.type},
                                                                {"Program_Info/Program_Release_Status", c.release},
                                                                {"Program_Info/Expire_Info/Has_Expire_Info", c.expires}}),
                                                       empty());
        EXPECT_EQ(got.records.value(s("STATUS")), QLatin1String(c.status)) << c.type << " " << c.release;
        EXPECT_EQ(rowFor(got, "Program_Info/Program_Type")->kind, c.kind) << c.type << " " << c.release;
    }
    // A record that already says it stays as it is: Public Domain exports as Freeware.
    PadRecordValues publicDomain = empty();
    publicDomain.set(s("STATUS"), s("Public Domain"));
    const PadImport kept = PadMapping::importValues(values({{"Program_Info/Program_Type", "Freeware"},
                                                            {"Program_Info/Program_Release_Status", "New Release"}}),
                                                    publicDomain);
    EXPECT_EQ(kept.records.value(s("STATUS")), s("Public Domain"));
}

TEST(PadMapping, DatesSizesAndTextBecomeWhatTheNextLoadShows)
{
    const PadImport got = PadMapping::importValues(
        values({{"Program_Info/Program_Release_Day", "5"},
                {"Program_Info/Program_Release_Month", "09"},
                {"Program_Info/Program_Release_Year", "1975"},
                {"Program_Info/File_Info/File_Size_K", "1500"},
                {"Program_Info/Program_Version", "  \"2.1\"  "},
                {"Company_Info/City_Town", "New\nYork\tCity"},
                {"Program_Descriptions/English/Char_Desc_45",
                 "A description that is longer than forty-six characters in all"},
                {"Company_Info/Company_Name", "Acme™ € ’ 日本"}}),
        empty());
    EXPECT_EQ(got.records.value(s("DAY")), s("05"));
    EXPECT_EQ(got.records.value(s("MONTH")), s("09"));
    // 1975 does not fit the two-digit year: left empty and said so.
    EXPECT_EQ(got.records.value(s("YEAR")), QString());
    EXPECT_EQ(rowFor(got, "Program_Info/Program_Release_Year")->kind, Kind::Loss);
    EXPECT_EQ(got.records.value(s("SIZE32")), s("1536000"));
    EXPECT_EQ(rowFor(got, "Program_Info/File_Info/File_Size_K")->kind, Kind::Guess);
    EXPECT_EQ(got.records.value(s("VERSION")), s("2.1"));
    EXPECT_EQ(got.records.value(s("CCITY")), s("New York City"));
    EXPECT_EQ(got.records.value(s("SHORTDESC")).size(), 46);
    EXPECT_EQ(rowFor(got, "Program_Descriptions/English/Char_Desc_45")->kind, Kind::Loss);
    // Windows-1252 holds ™ € ’ as single bytes; other characters become "?".
    EXPECT_EQ(got.records.value(s("CONAME")), QString::fromLatin1("Acme\x99 \x80 \x92 ??"));
    EXPECT_EQ(rowFor(got, "Company_Info/Company_Name")->kind, Kind::Loss);

    for (const auto& [year, kept] : {std::pair{"1980", "80"}, {"2079", "79"}, {"2080", ""}}) {
        const PadImport y = PadMapping::importValues(values({{"Program_Info/Program_Release_Year", year}}), empty());
        EXPECT_EQ(y.records.value(s("YEAR")), QLatin1String(kept)) << year;
    }
    // A Windows 3.1 program keeps its size and downloads in the 16-bit fields.
    const PadImport old = PadMapping::importValues(values({{"Program_Info/Program_OS_Support", "Win3.x"},
                                                           {"Program_Info/File_Info/File_Size_MB", "2"},
                                                           {"Web_Info/Download_URLs/Primary_Download_URL",
                                                            "http://a.example/t.zip"}}),
                                                   empty());
    EXPECT_EQ(old.records.value(s("SIZE16")), s("2097152"));
    EXPECT_EQ(old.records.value(s("SIZE32")), QString());
    EXPECT_EQ(old.records.value(s("DL1_16")), s("http://a.example/t.zip"));
}

TEST(PadMapping, FallbacksFillEmptyFieldsAndDescriptionsComeFromTheBestThereIs)
{
    const PadImport got = PadMapping::importValues(
        values({{"Company_Info/Contact_Info/Author_Email", "author@acme.example"},
                {"Company_Info/Support_Info/Support_Phone", "555-0199"},
                {"Company_Info/Support_Info/General_Email", "info@acme.example"},
                {"Company_Info/Address_1", "12 Main Street"},
                {"Company_Info/Address_2", "Suite 4"},
                {"Company_Info/Contact_Info/Contact_First_Name", "Jane"},
                {"Company_Info/Contact_Info/Contact_Last_Name", "Doe"},
                {"Program_Descriptions/German/Char_Desc_45", "Ordnet Dateien"},
                {"Program_Descriptions/German/Char_Desc_80", "Ordnet Ihre Dateien"},
                {"Program_Descriptions/German/Char_Desc_250", "Ordnet Ihre Dateien mit einem Klick."},
                {"Web_Info/Application_URLs/Application_Icon_URL", "http://acme.example/tool.ICO"},
                {"Program_Info/Program_System_Requirements", "2 GB RAM"},
                {"Signature", "abc"}}),
        empty());
    EXPECT_EQ(got.records.value(s("CEMAIL")), s("author@acme.example"));
    EXPECT_EQ(got.records.value(s("CPHONE")), s("555-0199"));
    EXPECT_EQ(got.records.value(s("CCMAIL")), s("info@acme.example"));
    EXPECT_EQ(got.records.value(s("CADDR")), s("12 Main Street, Suite 4"));
    EXPECT_EQ(got.records.value(s("CONTACT")), s("Jane Doe"));
    EXPECT_EQ(got.records.value(s("SHORTDESC")), s("Ordnet Dateien"));
    EXPECT_EQ(rowFor(got, "Program_Descriptions/German/Char_Desc_45")->kind, Kind::Guess);
    EXPECT_EQ(got.records.value(PadRecordValues::LongDescription), s("Ordnet Ihre Dateien mit einem Klick."));
    EXPECT_EQ(got.records.value(s("ICO")), s("http://acme.example/tool.ICO"));
    EXPECT_EQ(got.records.value(s("GIF")), QString());
    EXPECT_EQ(got.records.value(PadRecordValues::SpecialRequirements), s("2 GB RAM"));
    // The split address and name are kept so an export writes them as they were.
    EXPECT_EQ(got.details.value(p("Company_Info/Address_2")), s("Suite 4"));
    EXPECT_EQ(got.details.value(p("Company_Info/Contact_Info/Contact_Last_Name")), s("Doe"));
    EXPECT_FALSE(got.details.contains(p("Signature")));
    EXPECT_EQ(rowFor(got, "Signature")->kind, Kind::Dropped);
}

TEST(PadMapping, RecordsExportedThenImportedOverThemselvesStayAsTheyAre)
{
    for (const char* platform : {"Windows 3.1", "Windows 95", "Windows NT", "Windows 95 and NT"}) {
        for (const char* status :
             {"Feature Limit Demo", "Time Limit Demo", "Public Domain", "Freeware", "Shareware", "Beta"}) {
            for (PadVersion version : {PadVersion::V3_11, PadVersion::V4_0}) {
                PadRecordValues records = fullRecords();
                records.set(s("PLATFORM"), QLatin1String(platform));
                records.set(s("STATUS"), QLatin1String(status));
                const PadValues file = PadMapping::exportValues(records, PadValues(), version);
                const PadImport back = PadMapping::importValues(file, records);
                EXPECT_TRUE(back.records == records) << platform << " " << status;
                for (const PadImportRow& row : back.rows)
                    EXPECT_TRUE(row.kind == Kind::Unchanged || row.kind == Kind::Detail)
                        << platform << " " << status << " " << qPrintable(row.field);
            }
        }
    }
}

TEST(PadMapping, AFileImportedThenExportedGivesItsValuesBack)
{
    const PadValues file = values({
        {"Company_Info/Company_Name", "Acme Software"},
        {"Company_Info/Address_1", "12 Main Street"},
        {"Company_Info/Address_2", "Suite 4"},
        {"Company_Info/City_Town", "Springfield"},
        {"Company_Info/Contact_Info/Author_First_Name", "John"},
        {"Company_Info/Contact_Info/Author_Last_Name", "Smith"},
        {"Company_Info/Contact_Info/Author_Email", "john@acme.example"},
        {"Company_Info/Contact_Info/Contact_First_Name", "Jane"},
        {"Company_Info/Contact_Info/Contact_Last_Name", "Doe"},
        {"Company_Info/Contact_Info/Contact_Email", "jane@acme.example"},
        {"Company_Info/Support_Info/Sales_Email", "sales@acme.example"},
        {"Company_Info/Support_Info/Support_Email", "help@acme.example"},
        {"Company_Info/Support_Info/General_Phone", "555-0100"},
        {"Program_Info/Program_Name", "Acme Tool"},
        {"Program_Info/Program_Release_Day", "05"},
        {"Program_Info/Program_Release_Month", "03"},
        {"Program_Info/Program_Release_Year", "2026"},
        {"Program_Info/Program_Type", "Commercial"},
        {"Program_Info/Program_Release_Status", "Minor Update"},
        {"Program_Info/Program_OS_Support", "WinXP,Win7 x64,Linux"},
        {"Program_Info/File_Info/File_Size_K", "1500"},
        {"Program_Info/Expire_Info/Has_Expire_Info", "Y"},
        {"Program_Info/Expire_Info/Expire_Count", "15"},
        {"Program_Info/Expire_Info/Expire_Based_On", "Uses"},
        {"Program_Info/Program_Category_Class", "Business::Other"},
        {"Program_Info/Program_System_Requirements", "2 GB RAM"},
        {"Program_Descriptions/English/Keywords", "tidy, files"},
        {"Program_Descriptions/English/Char_Desc_450", "A longer text."},
        {"Web_Info/Application_URLs/Application_Icon_URL", "http://acme.example/tool.ico"},
    });
    const PadImport imported = PadMapping::importValues(file, empty());
    PadRecordValues records = imported.records;
    // The requirements field is not stored: a later session shows "None".
    records.set(PadRecordValues::SpecialRequirements, s("None"));
    const PadValues out = PadMapping::exportValues(records, imported.details, PadVersion::V4_0);
    for (const PadEntry& e : file.entries())
        EXPECT_EQ(out.value(e.path), e.value) << qPrintable(e.path);
}

TEST(PadMapping, ExportFillsTheDerivedFieldsAndNeverTheNotes)
{
    PadRecordValues records = fullRecords();
    records.set(s("STATUS"), s("Beta"));
    records.set(s("YEAR"), s("7"));
    const PadValues v4 = PadMapping::exportValues(records, PadValues(), PadVersion::V4_0);
    EXPECT_EQ(v4.value(p("Program_Info/Program_Release_Year")), s("2007"));
    EXPECT_EQ(v4.value(p("Program_Info/Program_Release_Day")), s("05"));
    EXPECT_EQ(v4.value(p("Program_Info/Program_Type")), s("Shareware"));
    EXPECT_EQ(v4.value(p("Program_Info/Program_Release_Status")), s("Beta"));
    EXPECT_EQ(v4.value(p("Program_Info/File_Info/File_Size_K")), s("1500"));
    EXPECT_EQ(v4.value(p("Program_Info/File_Info/File_Size_MB")), s("1.46"));
    EXPECT_EQ(v4.value(p("Program_Info/Expire_Info/Expire_Year")), s("2027"));
    EXPECT_EQ(v4.value(p("Program_Info/Program_OS_Support")),
              s("Win98,WinOther,Win2000,WinXP,WinVista,Win7 x32,Win7 x64,Windows 8"));
    EXPECT_EQ(v4.value(p("Company_Info/Support_Info/Support_Phone")), s("+1 555 0100"));
    EXPECT_EQ(v4.value(p("Company_Info/Contact_Info/Author_Last_Name")), s("Doe"));
    EXPECT_EQ(v4.value(p("Program_Descriptions/English/Char_Desc_45")), s("Tidies your files™ in one click"));
    EXPECT_EQ(v4.value(p("ASP/ASP_Member")), s("N"));
    const PadValues v311 = PadMapping::exportValues(records, PadValues(), PadVersion::V3_11);
    EXPECT_EQ(v311.value(p("MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION")), s("3.11"));
    EXPECT_FALSE(v311.value(p("Program_Info/Program_OS_Support")).contains(s("Windows 8")));
    // The program type a beta is released as comes from the details.
    PadValues details;
    details.set(p("Program_Info/Program_Type"), s("Freeware"));
    EXPECT_EQ(PadMapping::exportValues(records, details, PadVersion::V4_0).value(p("Program_Info/Program_Type")),
              s("Freeware"));
    // A kept value that no longer imports to the record gives way to the record.
    details.set(p("Program_Info/Program_OS_Support"), s("Linux"));
    EXPECT_TRUE(PadMapping::exportValues(records, details, PadVersion::V4_0)
                    .value(p("Program_Info/Program_OS_Support"))
                    .startsWith(s("Win98")));
}

TEST(PadMapping, AFileChangesOnlyWhatItSaysAndEmptiesWhatTheRecordsCannotHold)
{
    PadRecordValues records = fullRecords();
    // Only the year given: the day and month stay; only Has_Expire_Info given: the terms stay.
    const PadImport year = PadMapping::importValues(values({{"Program_Info/Program_Release_Year", "2005"},
                                                            {"Program_Info/Expire_Info/Has_Expire_Info", "N"}}),
                                                    records);
    EXPECT_EQ(year.records.value(s("YEAR")), s("05"));
    EXPECT_EQ(year.records.value(s("DAY")), s("5"));
    EXPECT_EQ(year.records.value(s("MONTH")), s("3"));
    EXPECT_EQ(year.records.value(s("XDAYS")), s("30"));
    EXPECT_EQ(year.records.value(s("EVAL")), s("30 days"));

    // A type no status fits leaves the status empty, as the preview says, and the export gives it back.
    const PadValues commercial = values({{"Program_Info/Program_Type", "Commercial"},
                                         {"Program_Info/Program_Release_Status", "Major Update"}});
    const PadImport got = PadMapping::importValues(commercial, records);
    EXPECT_EQ(got.records.value(s("STATUS")), QString());
    EXPECT_TRUE(rowFor(got, "Program_Info/Program_Type")->note.contains(s("was Time Limit Demo")));
    const PadValues out = PadMapping::exportValues(got.records, got.details, PadVersion::V4_0);
    EXPECT_EQ(out.value(p("Program_Info/Program_Type")), s("Commercial"));
    EXPECT_EQ(out.value(p("Program_Info/Program_Release_Status")), s("Major Update"));

    const PadImport publicDomain =
        PadMapping::importValues(values({{"Program_Info/Program_Type", "Public Domain"}}), empty());
    EXPECT_EQ(publicDomain.records.value(s("STATUS")), s("Freeware"));

    // Every load drops one pair of quotes: the value is kept as it will read.
    const PadImport quoted = PadMapping::importValues(values({{"Program_Info/Program_Version", "\"\"1.0\"\""}}), empty());
    EXPECT_EQ(quoted.records.value(s("VERSION")), s("1.0"));

    // Requirements typed in this session win over the kept ones.
    PadValues details;
    details.set(p("Program_Info/Program_System_Requirements"), s("Win98 16MB"));
    records.set(PadRecordValues::SpecialRequirements, s("Pentium"));
    EXPECT_EQ(PadMapping::exportValues(records, details, PadVersion::V4_0)
                  .value(p("Program_Info/Program_System_Requirements")),
              s("Pentium"));
    records.set(PadRecordValues::SpecialRequirements, s("None"));
    EXPECT_EQ(PadMapping::exportValues(records, details, PadVersion::V4_0)
                  .value(p("Program_Info/Program_System_Requirements")),
              s("Win98 16MB"));
}
