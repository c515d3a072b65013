#include "FuzzInput.h"

#include "records/ListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = ListFile::parse(bytes);
    for (const QString& line : lines)
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(0)));

    // What is written reads back as the same lines, and writing those again gives the same bytes.
    const QByteArray written = ListFile::serialize(lines);
    FUZZ_CHECK(ListFile::parse(written) == lines);
    FUZZ_CHECK(ListFile::serialize(ListFile::parse(written)) == written);
    FUZZ_CHECK(written.size() <= bytes.size() + lines.size() + 2);

    // A site-list line is fields between the byte 0xB1; its fields joined again
    // give the line back, so a save after a load loses nothing.
    const QChar separator(0xB1);
    for (const QString& line : lines) {
        const QStringList fields = line.split(separator);
        FUZZ_CHECK(fields.join(separator) == line);
    }
    return 0;
}
