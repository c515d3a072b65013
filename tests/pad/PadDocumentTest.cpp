#include "pad/PadDocument.h"
#include "pad/PadText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Failures show the text, not the bytes of a QString.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

static void PrintTo(const PadValues& values, std::ostream* out)
{
    for (const PadEntry& entry : values.entries())
        *out << "\n  " << entry.path.toStdString() << " = \"" << entry.value.toStdString() << '"';
}

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

QByteArray hostile(const char* name)
{
    QFile file(QStringLiteral(ZENTREL_SOURCE_DIR "/tests/pad/corpus/hostile/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing corpus file " << name;
    return file.readAll();
}

const char* const Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A small, valid PAD document, padded with a comment after the root to `size` bytes.
QByteArray padOfSize(qsizetype size)
{
    QByteArray bytes = Declaration;
    bytes += "<XML_DIZ_INFO><Company_Info><Company_Name>Padded</Company_Name></Company_Info></XML_DIZ_INFO>\n<!--";
    bytes += QByteArray(size - bytes.size() - 4, 'x');
    bytes += "-->\n";
    return bytes;
}

QByteArray nested(int depth)
{
    QByteArray open = "<XML_DIZ_INFO>";
    QByteArray close = "</XML_DIZ_INFO>";
    for (int level = 2; level <= depth; ++level) {
        open += "<L" + QByteArray::number(level) + '>';
        close.prepend("</L" + QByteArray::number(level) + '>');
    }
    return open + "deep" + close;
}

const QString NotPad = QStringLiteral("The file is not a PAD file: ");

void expectRefused(const PadReadResult& result, const QString& error)
{
    EXPECT_EQ(result.error, error);
    EXPECT_TRUE(result.values.isEmpty());
    EXPECT_TRUE(result.notes.isEmpty());
}

} // namespace

TEST(PadDocumentRead, HostileFilesAreRefusedWithTheirMessageAndNoValue)
{
    const struct {
        const char* file;
        QString error;
    } cases[] = {
        {"empty.xml", NotPad + u"it is empty."},
        {"blank.xml", NotPad + u"it is empty."},
        {"not-found.html", NotPad + u"its root element is html, not XML_DIZ_INFO."},
        {"page.html", NotPad + u"it declares a document type."},
        {"external-entity.xml", NotPad + u"it declares a document type."},
        {"external-dtd.xml", NotPad + u"it declares a document type."},
        {"billion-laughs.xml", NotPad + u"it declares a document type."},
        {"wrong-root.xml", NotPad + u"its root element is PAD_INFO, not XML_DIZ_INFO."},
        {"deep-17.xml", NotPad + u"its elements are nested more than 16 deep."},
        {"undeclared-entity.xml", NotPad + u"Entity 'nbsp' not declared (line 8, column 23)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        expectRefused(PadDocument::read(hostile(c.file)), c.error);
    }
}

TEST(PadDocumentRead, MalformedBytesAreRefusedWithThePlaceOfTheFault)
{
    // The encoding note of the garbage goes with the refusal: nothing was read.
    for (const char* file : {"binary.bin", "truncated.xml"}) {
        SCOPED_TRACE(file);
        const PadReadResult result = PadDocument::read(hostile(file));
        EXPECT_TRUE(result.error.startsWith(NotPad)) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"(line ")) << result.error.toStdString();
        EXPECT_TRUE(result.values.isEmpty());
        EXPECT_TRUE(result.notes.isEmpty());
    }
    expectRefused(PadDocument::read("<XML_DIZ_INFO>\n  <A>x</B>\n</XML_DIZ_INFO>"),
                  NotPad + u"Opening and ending tag mismatch (line 2, column 10).");
    expectRefused(PadDocument::read("<XML_DIZ_INFO/>\n<Second/>"), NotPad + u"Extra content at end of document (line 2, column 9).");
}

TEST(PadDocumentRead, NoEntityOfADocumentTypeIsEverExpanded)
{
    QFile passwd(QStringLiteral("/etc/passwd"));
    ASSERT_TRUE(passwd.open(QIODevice::ReadOnly));
    const QString secret = QString::fromLatin1(passwd.readLine()).trimmed();
    ASSERT_FALSE(secret.isEmpty());
    // A document type declared late still does not get through.
    for (const QByteArray& bytes : {hostile("external-entity.xml"), hostile("billion-laughs.xml"),
                                    QByteArray("<?xml version=\"1.0\"?>\n<!-- c --><?pi x?>\n<!DOCTYPE XML_DIZ_INFO [<!ENTITY e \"v\">]><XML_DIZ_INFO>&e;</XML_DIZ_INFO>")}) {
        const PadReadResult result = PadDocument::read(bytes);
        EXPECT_EQ(result.error, NotPad + u"it declares a document type.");
        EXPECT_FALSE(result.error.contains(secret));
        EXPECT_TRUE(result.values.isEmpty());
    }
}

TEST(PadDocumentRead, SizeLimitAndDepthLimitAreInclusive)
{
    const QByteArray largest = padOfSize(PadDocument::MaxBytes);
    ASSERT_EQ(largest.size(), PadDocument::MaxBytes);
    const PadReadResult read = PadDocument::read(largest);
    EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.values.value(QStringLiteral("XML_DIZ_INFO/Company_Info/Company_Name")), u"Padded");

    expectRefused(PadDocument::read(padOfSize(PadDocument::MaxBytes + 1)),
                  QStringLiteral("The PAD file is larger than 1 MB; nothing was imported."));

    const PadReadResult deepest = PadDocument::read(nested(16));
    EXPECT_TRUE(deepest.error.isEmpty()) << deepest.error.toStdString();
    EXPECT_EQ(deepest.values.size(), 1);
    EXPECT_EQ(deepest.values.entries().first().value, u"deep");
    EXPECT_EQ(deepest.values.entries().first().path.count(u'/'), 15);
}

TEST(PadDocumentRead, LeafValuesAreTakenExactlyAsWritten)
{
    const PadReadResult result = PadDocument::read(
        "<?xml version=\"1.0\"?>\n"
        "<XML_DIZ_INFO version=\"3.11\">\n"
        "  <Company_Info>\n"
        "    <Company_Name>  Smith &amp; Sons &lt;Ltd&gt; &#x1F600;  </Company_Name>\n"
        "    <Address_1></Address_1>\n"
        "    <Address_2/>\n"
        "    <Mixed>before<Inner>in</Inner>after</Mixed>\n"
        "  </Company_Info>\n"
        "  <Program_Info><Program_Description><![CDATA[a <b> & ]]>c\n"
        "d</Program_Description></Program_Info>\n"
        "</XML_DIZ_INFO>\n");
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    PadValues expected;
    expected.set(QStringLiteral("XML_DIZ_INFO/Company_Info/Company_Name"), u8("  Smith & Sons <Ltd> \U0001F600  "));
    expected.set(QStringLiteral("XML_DIZ_INFO/Company_Info/Address_1"), QString());
    expected.set(QStringLiteral("XML_DIZ_INFO/Company_Info/Address_2"), QString());
    expected.set(QStringLiteral("XML_DIZ_INFO/Company_Info/Mixed/Inner"), QStringLiteral("in"));
    expected.set(QStringLiteral("XML_DIZ_INFO/Program_Info/Program_Description"), QStringLiteral("a <b> & c\nd"));
    EXPECT_EQ(result.values, expected);
    EXPECT_TRUE(result.notes.isEmpty());
}

TEST(PadDocumentRead, RepeatedElementKeepsTheFirstValueWithOneNote)
{
    const PadReadResult result = PadDocument::read(
        "<XML_DIZ_INFO><Company_Info><Company_Name>First</Company_Name><Company_Name>Second</Company_Name>"
        "</Company_Info><Company_Info><Company_Name>Third</Company_Name><Country/></Company_Info></XML_DIZ_INFO>");
    ASSERT_TRUE(result.error.isEmpty());
    EXPECT_EQ(result.values.value(QStringLiteral("XML_DIZ_INFO/Company_Info/Company_Name")), u"First");
    EXPECT_TRUE(result.values.contains(QStringLiteral("XML_DIZ_INFO/Company_Info/Country")));
    EXPECT_EQ(result.notes, QStringList{QStringLiteral(
        "XML_DIZ_INFO/Company_Info/Company_Name appears more than once; the first value was used.")});
}

TEST(PadDocumentEncoding, Windows1252FamilyDeclarationsReadTheirBytesAsWindows1252)
{
    for (const char* name : {"windows-1252", "ISO-8859-1", "latin1", "us-ascii"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = "<?xml version=\"1.0\" encoding=\"" + QByteArray(name)
            + "\"?>\n<XML_DIZ_INFO><N>Zentrel\x99 \x80" "5 it\x92s caf\xe9</N></XML_DIZ_INFO>";
        const PadReadResult result = PadDocument::read(bytes);
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(result.values.value(QStringLiteral("XML_DIZ_INFO/N")), u8("Zentrel™ €5 it’s café"));
        EXPECT_TRUE(result.notes.isEmpty());
    }
}

TEST(PadDocumentEncoding, InvalidUtf8IsReadAsWindows1252WithANote)
{
    for (const QByteArray& declaration : {QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), QByteArray()}) {
        const PadReadResult result = PadDocument::read(declaration + "<XML_DIZ_INFO><N>caf\xe9 \x93quoted\x94</N></XML_DIZ_INFO>");
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(result.values.value(QStringLiteral("XML_DIZ_INFO/N")), u8("café “quoted”"));
        EXPECT_EQ(result.notes, QStringList{QStringLiteral("The file is not valid UTF-8; it was read as Windows-1252.")});
    }
    // A multi-byte sequence cut off by the end of the file is invalid too.
    const PadReadResult cut = PadDocument::read("<XML_DIZ_INFO><N>x</N></XML_DIZ_INFO><!--\xe2\x82-->");
    EXPECT_EQ(cut.notes.size(), 1);
}

TEST(PadDocumentEncoding, TheReaderDoesNotDecodeTheTextAgain)
{
    // UTF-8 bytes under a declaration the reader would otherwise act on.
    for (const char* name : {"UTF-16", "Shift_JIS", "no-such-encoding"}) {
        SCOPED_TRACE(name);
        const PadReadResult result = PadDocument::read("<?xml version=\"1.0\" encoding=\"" + QByteArray(name)
                                                       + "\"?><XML_DIZ_INFO><N>\xe2\x82\xac \xe2\x84\xa2</N></XML_DIZ_INFO>");
        ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
        EXPECT_EQ(result.values.value(QStringLiteral("XML_DIZ_INFO/N")), u8("€ ™"));
        EXPECT_TRUE(result.notes.isEmpty());
    }
}

TEST(PadDocumentEncoding, ByteOrderMarksChooseTheEncoding)
{
    const QString document = u8("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<XML_DIZ_INFO><N>€ \U0001F600</N></XML_DIZ_INFO>");
    const QString expected = u8("€ \U0001F600");

    const PadReadResult utf8 = PadDocument::read("\xEF\xBB\xBF" + document.toUtf8());
    EXPECT_EQ(utf8.values.value(QStringLiteral("XML_DIZ_INFO/N")), expected);
    EXPECT_TRUE(utf8.notes.isEmpty());

    QByteArray little("\xFF\xFE"), big("\xFE\xFF");
    for (const QChar c : document) {
        little += char(c.unicode() & 0xFF);
        little += char(c.unicode() >> 8);
        big += char(c.unicode() >> 8);
        big += char(c.unicode() & 0xFF);
    }
    EXPECT_EQ(PadDocument::read(little).values.value(QStringLiteral("XML_DIZ_INFO/N")), expected);
    EXPECT_EQ(PadDocument::read(big).values.value(QStringLiteral("XML_DIZ_INFO/N")), expected);
    // Without its mark, UTF-16 still shows by the first characters.
    EXPECT_EQ(PadDocument::read(little.mid(2)).values.value(QStringLiteral("XML_DIZ_INFO/N")), expected);
    // An odd byte at the end and a lone surrogate are no UTF-16 text.
    expectRefused(PadDocument::read(little + 'x'), NotPad + u"it is not valid UTF-16.");
    expectRefused(PadDocument::read(little + QByteArray("\x00\xD8<\x00", 4)), NotPad + u"it is not valid UTF-16.");
    // A mark alone is an empty file.
    expectRefused(PadDocument::read("\xEF\xBB\xBF"), NotPad + u"it is empty.");
}

TEST(PadText, EveryByteMapsToOneCharacterAndBack)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    const QString text = PadText::fromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x92], QChar(0x2019));
    EXPECT_EQ(text[0x99], QChar(0x2122));
    EXPECT_EQ(text[0x9F], QChar(0x0178));
    for (const int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(text[unassigned], QChar(unassigned));
    EXPECT_EQ(text[0xA0], QChar(0xA0));
    EXPECT_EQ(text[0xFF], QChar(0xFF));

    const QString record = QString::fromLatin1(all);
    int lost = -1;
    EXPECT_EQ(PadText::toRecord(text, &lost), record);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(PadText::fromRecord(record), text);
}

TEST(PadText, CharactersWithoutAByteBecomeQuestionMarksAndAreCounted)
{
    int lost = -1;
    // U+0080 and U+0099 are control characters whose bytes stand for € and ™.
    EXPECT_EQ(PadText::toRecord(u8("a\u4E2D\U0001F600b\u0080\u0099\u2122"), &lost),
              QStringLiteral("a??b??") + QChar(0x99));
    EXPECT_EQ(lost, 4);
    EXPECT_EQ(PadText::toRecord(QString(QChar(0xD800)) + u"x", &lost), u"?x");
    EXPECT_EQ(lost, 1);
}

namespace {

const QString Root = QStringLiteral("XML_DIZ_INFO/");

PadValues everyKindOfValue()
{
    PadValues values;
    values.set(Root + u"Company_Info/Company_Name", u8("Smith & Sons <\"Ltd\"> 'quoted' ]]>"));
    values.set(Root + u"Company_Info/Address_1", QString());
    values.set(Root + u"Company_Info/Contact_Info/Author_First_Name", u8("  Zoë \U0001F600\ttab  "));
    values.set(Root + u"Program_Info/Program_Name", QStringLiteral("Zentrel"));
    values.set(Root + u"Program_Descriptions/English/Char_Desc_2000", QStringLiteral("First line\nSecond line\n\n"));
    values.set(Root + u"Program_Descriptions/English/Char_Desc_80", QStringLiteral(" "));
    return values;
}

QStringList paths(const PadValues& values)
{
    QStringList list;
    for (const PadEntry& entry : values.entries())
        list.append(entry.path);
    return list;
}

} // namespace

TEST(PadDocumentWrite, ReadingWhatWasWrittenGivesTheSameValues)
{
    const PadValues values = everyKindOfValue();
    const QByteArray bytes = PadDocument::write(values, paths(values));
    const PadReadResult read = PadDocument::read(bytes);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.values, values);
    EXPECT_TRUE(read.notes.isEmpty());

    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<XML_DIZ_INFO>\n  <Company_Info>\n    <Company_Name>"));
    EXPECT_TRUE(bytes.contains("\n    <Address_1/>\n"));
    EXPECT_TRUE(bytes.endsWith("</XML_DIZ_INFO>\n"));
    EXPECT_FALSE(bytes.contains('\r'));
}

TEST(PadDocumentWrite, LineBreaksBecomeLfAndForbiddenCharactersAreLeftOut)
{
    PadValues values;
    values.set(Root + u"A", QStringLiteral("one\r\ntwo\rthree\n\rfour"));
    values.set(Root + u"B", QStringLiteral("x") + QChar(0x01) + QChar(0x0B) + QChar(0x1F) + QChar(0xFFFE) + QChar(0xDC00) + u"y"
                                + QChar(0));
    values.set(Root + u"C", QString(QChar(0x07)));
    const QByteArray bytes = PadDocument::write(values, {});
    EXPECT_FALSE(bytes.contains('\r'));
    const PadReadResult read = PadDocument::read(bytes);
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.values.value(Root + u"A"), u"one\ntwo\nthree\n\nfour");
    EXPECT_EQ(read.values.value(Root + u"B"), u"xy");
    EXPECT_TRUE(read.values.contains(Root + u"C"));
    EXPECT_EQ(read.values.value(Root + u"C"), QString());
}

TEST(PadDocumentWrite, ElementsFollowTheOrderAndUnknownOnesFollowWithinTheirParent)
{
    PadValues values;
    values.set(Root + u"Custom/Thing", QStringLiteral("1"));
    values.set(Root + u"Program_Info/Zentrel_Extra", QStringLiteral("2"));
    values.set(Root + u"Program_Info/Program_Version", QStringLiteral("3"));
    values.set(Root + u"Company_Info/Unknown", QStringLiteral("4"));
    values.set(Root + u"Program_Info/Program_Name", QStringLiteral("5"));
    values.set(Root + u"Company_Info/Company_Name", QStringLiteral("6"));
    values.set(Root + u"Custom/Another", QStringLiteral("7"));
    // Not written: another root, and names no XML element can have.
    values.set(QStringLiteral("Other_Root/X"), QStringLiteral("8"));
    values.set(Root + u"Bad Name", QStringLiteral("9"));
    values.set(Root + u"Empty//Step", QStringLiteral("10"));
    values.set(Root + u"Company_Info/1st", QStringLiteral("11"));
    const QStringList order = {Root + u"MASTER_PAD_VERSION_INFO/MASTER_PAD_VERSION", Root + u"Company_Info/Company_Name",
                               Root + u"Company_Info/Address_1", Root + u"Program_Info/Program_Name",
                               Root + u"Program_Info/Program_Version"};
    const PadReadResult read = PadDocument::read(PadDocument::write(values, order));
    ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(paths(read.values), (QStringList{
        Root + u"Company_Info/Company_Name", Root + u"Company_Info/Unknown", Root + u"Program_Info/Program_Name",
        Root + u"Program_Info/Program_Version", Root + u"Program_Info/Zentrel_Extra", Root + u"Custom/Thing",
        Root + u"Custom/Another"}));
}

TEST(PadDocumentWrite, WrittenDocumentPassesXmllint)
{
    PadValues values = everyKindOfValue();
    values.set(Root + u"Odd", QStringLiteral("a\r\nb") + QChar(0x02) + QChar(0xFFFF));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("pad.xml")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PadDocument::write(values, {}));
    file.close();

    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QStringLiteral("--nonet"), file.fileName()});
    ASSERT_TRUE(xmllint.waitForStarted()) << "xmllint is missing: run scripts/deps.sh";
    ASSERT_TRUE(xmllint.waitForFinished(30000));
    EXPECT_EQ(xmllint.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(xmllint.exitCode(), 0) << xmllint.readAllStandardError().toStdString();
}
