#include "FuzzInput.h"

#include "pad/PadDocument.h"

namespace {

// A value the writer puts out as it is: an element with no children of its
// own, no carriage return (written as a line feed) and a plain element name
// on every step of its path.
bool writtenAsItIs(const PadValues& values, const PadEntry& entry)
{
    if (entry.value.contains(u'\r') || entry.path.contains(u':'))
        return false;
    const QString prefix = entry.path + u'/';
    for (const PadEntry& other : values.entries())
        if (other.path.startsWith(prefix))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const PadReadResult first = PadDocument::read(bytes);
    if (!first.error.isEmpty()) {
        FUZZ_CHECK(first.values.isEmpty());
        return 0;
    }

    // A file accepted is written and read again with the same values.
    const QByteArray written = PadDocument::write(first.values, {});
    if (written.size() > PadDocument::MaxBytes)
        return 0;
    const PadReadResult second = PadDocument::read(written);
    if (!second.error.isEmpty()) {
        fprintf(stderr, "written PAD refused: %s\n%s\n", qPrintable(second.error), written.constData());
        abort();
    }
    for (const PadEntry& entry : first.values.entries()) {
        if (!writtenAsItIs(first.values, entry))
            continue;
        if (second.values.value(entry.path) != entry.value) {
            fprintf(stderr, "value of %s changed\n", qPrintable(entry.path));
            abort();
        }
    }
    // Writing what the writer gave, read back, gives the same bytes again.
    const QByteArray again = PadDocument::write(second.values, {});
    FUZZ_CHECK(PadDocument::write(PadDocument::read(again).values, {}) == again);
    return 0;
}
