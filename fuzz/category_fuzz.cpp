#include "FuzzInput.h"

#include "engines/CategoryLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Category lists are 8-bit files: every byte is one character.
    const QString line = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString value = CategoryLine::value(line);
    const QString label = CategoryLine::label(line);
    FUZZ_CHECK(line.startsWith(value));
    FUZZ_CHECK(line.endsWith(label));

    // A line with a value and a label is the two around its first separator.
    const qsizetype separator = line.indexOf(QStringLiteral("\">"));
    if (separator >= 1 && separator + 2 < line.size()) {
        FUZZ_CHECK(value + QStringLiteral("\">") + label == line);
        FUZZ_CHECK(!value.contains(QStringLiteral("\">")));
    } else {
        FUZZ_CHECK(value == line || label == line);
    }
    return 0;
}
