#include "FuzzInput.h"

#include "records/TIniFile.h"

namespace {

bool sameValues(const IniSection& a, const IniSection& b, const QString& key)
{
    return a.contains(key) == b.contains(key) && a.ReadString(key, QString()) == b.ReadString(key, QString());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const QString section = input.name(8);
    const QString key = input.name(8);
    const QByteArray value = input.bytes(64);
    const QByteArray file = input.rest();

    // Reading the file and writing it unchanged keeps every value of the section.
    IniDocument document = IniDocument::fromBytes(file);
    const QByteArray unchanged = document.toBytes();
    const IniSection before = IniDocument::sectionOf(file, section);
    FUZZ_CHECK(sameValues(before, IniDocument::sectionOf(unchanged, section), key));
    FUZZ_CHECK(IniDocument::fromBytes(unchanged).toBytes() == unchanged);

    // A value written reads back as a read gives it, line breaks made blanks.
    const QString written = QString::fromLatin1(value);
    document.setValue(section, key, written);
    const QByteArray changed = document.toBytes();
    QString expected = written;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    const IniSection after = IniDocument::sectionOf(changed, section);
    FUZZ_CHECK(after.contains(key));
    FUZZ_CHECK(after.ReadString(key, QString()) == profileValueAsRead(expected));

    // Integers are read in every form or not at all; a written number reads back.
    const int number = after.ReadInteger(key, 7);
    if (number != 7)
        FUZZ_CHECK(parseProfileInteger(QString::number(number), 7) == number);
    return 0;
}
