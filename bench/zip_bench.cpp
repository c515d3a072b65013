// Packing 100 MiB (a text manual and a program-like binary, the same bytes
// every run) at level 9 into a new archive, against `zip -9 -j` packing the
// same files in the same run. Reports both times, their ratio, both archive
// sizes and their ratio, and how far the peak resident memory (VmHWM) rose
// above the resident memory at the start of a pack.
//
// `zip_bench --check` instead packs once each way, has unzip test the archive,
// prints the figures and fails when the pack is slower than 1.1 times zip's,
// its archive more than 1 % larger than zip's, or its memory not flat.
#include "BenchMemory.h"
#include "net/TZipArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 TextSize = 50LL * 1024 * 1024;
constexpr qint64 BinarySize = 50LL * 1024 * 1024;
constexpr qint64 TotalSize = TextSize + BinarySize;

// Prose-like lines from a fixed vocabulary, common words far more frequent
// than rare ones, as in a program's manual.
bool writeText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(16);
    static const char* const syllables[] = {"ca", "re", "zen", "tor", "mi", "las", "up", "load", "set", "ing",
                                            "pro", "gram", "site", "list", "de", "ver", "sion", "on", "an", "ex"};
    QList<QByteArray> words;
    for (int i = 0; i < 3000; ++i) {
        QByteArray word;
        const int parts = 1 + int(random.bounded(3));
        for (int p = 0; p < parts; ++p)
            word += syllables[random.bounded(20)];
        words << word;
    }
    QByteArray piece;
    qint64 written = 0;
    while (written < TextSize) {
        piece.clear();
        while (piece.size() < 1024 * 1024) {
            const int count = 6 + int(random.bounded(10));
            for (int w = 0; w < count; ++w) {
                // Skewed towards the first words of the vocabulary.
                piece += words[random.bounded(random.bounded(3000) + 1)];
                piece += w + 1 < count ? (random.bounded(12) == 0 ? ", " : " ") : ".\r\n";
            }
        }
        const qint64 take = std::min<qint64>(piece.size(), TextSize - written);
        if (file.write(piece.constData(), take) != take)
            return false;
        written += take;
    }
    return file.flush();
}

// 4 KiB blocks of three kinds: packed data (random), tables of slowly growing
// numbers, and code-like runs of a few instruction shapes with varying operands.
bool writeBinary(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(17);
    QByteArray block(4096, '\0');
    quint32 counter = 0x10000;
    for (qint64 written = 0; written < BinarySize; written += block.size()) {
        const quint32 kind = random.bounded(10);
        auto* bytes = reinterpret_cast<unsigned char*>(block.data());
        if (kind < 4) {
            random.fillRange(reinterpret_cast<quint32*>(block.data()), block.size() / 4);
        } else if (kind < 7) {
            for (int i = 0; i < block.size(); i += 4) {
                counter += random.bounded(64);
                std::memcpy(bytes + i, &counter, 4);
            }
        } else {
            static const unsigned char shapes[4][8] = {{0x48, 0x8b, 0x45, 0, 0x48, 0x89, 0xc7, 0xe8},
                                                       {0x89, 0x44, 0x24, 0, 0x8b, 0x4c, 0x24, 0},
                                                       {0x0f, 0x1f, 0x44, 0, 0x00, 0x00, 0x90, 0x90},
                                                       {0x48, 0x83, 0xec, 0, 0xc3, 0x55, 0x48, 0x89}};
            for (int i = 0; i < block.size(); i += 8) {
                std::memcpy(bytes + i, shapes[random.bounded(4)], 8);
                bytes[i + 3] = static_cast<unsigned char>(random.bounded(32) * 8);
            }
        }
        if (file.write(block) != block.size())
            return false;
    }
    return file.flush();
}

struct Inputs {
    QTemporaryDir dir;
    QString text;
    QString binary;
    bool ready = false;

    Inputs()
    {
        text = dir.filePath(QStringLiteral("manual.txt"));
        binary = dir.filePath(QStringLiteral("program.bin"));
        ready = dir.isValid() && writeText(text) && writeBinary(binary);
    }
    QString archive(const QString& name) const { return dir.filePath(name); }
};

struct PackFigures {
    double ownSeconds = 0;
    double zipSeconds = 0;
    qint64 ownSize = 0;
    qint64 zipSize = 0;
    qint64 growthKiB = 0;
    QString failure;
};

// One pack each way into fresh archives.
PackFigures packOnce(const Inputs& inputs, bool peakResets)
{
    PackFigures figures;
    const QString own = inputs.archive(QStringLiteral("own.zip"));
    const QString theirs = inputs.archive(QStringLiteral("zip.zip"));
    QFile::remove(own);
    QFile::remove(theirs);

    TZipArchive zip;
    zip.setCompressionLevel(9);
    zip.setZipFilename(own);
    zip.setFileSpecs({inputs.text, inputs.binary});
    if (peakResets)
        resetPeak();
    const qint64 residentBefore = statusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const bool packed = zip.Add();
    figures.ownSeconds = double(timer.nsecsElapsed()) / 1e9;
    figures.growthKiB = statusKiB("VmHWM") - residentBefore;
    if (!packed) {
        figures.failure = u"the pack failed: " + zip.LastMessage();
        return figures;
    }

    timer.restart();
    const int exit = QProcess::execute(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-9"), QStringLiteral("-j"),
                                                               theirs, inputs.text, inputs.binary});
    figures.zipSeconds = double(timer.nsecsElapsed()) / 1e9;
    if (exit != 0)
        figures.failure = QStringLiteral("zip failed");
    figures.ownSize = QFile(own).size();
    figures.zipSize = QFile(theirs).size();
    return figures;
}

void BM_PackLevel9(benchmark::State& state)
{
    const Inputs inputs;
    if (!inputs.ready) {
        state.SkipWithError("cannot create the files to pack");
        return;
    }
    const bool peakResets = resetPeak();
    double ownSeconds = 0;
    double zipSeconds = 0;
    PackFigures last;
    qint64 growthKiB = 0;
    for (auto _ : state) {
        last = packOnce(inputs, peakResets);
        if (!last.failure.isEmpty()) {
            state.SkipWithError(qPrintable(last.failure));
            break;
        }
        state.SetIterationTime(last.ownSeconds);
        ownSeconds += last.ownSeconds;
        zipSeconds += last.zipSeconds;
        growthKiB = std::max(growthKiB, last.growthKiB);
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["pack_s"] = ownSeconds / n;
    state.counters["zip_s"] = zipSeconds / n;
    state.counters["ratio"] = zipSeconds > 0 ? ownSeconds / zipSeconds : 0;
    state.counters["pack_MiB"] = double(last.ownSize) / (1024.0 * 1024.0);
    state.counters["zip_MiB"] = double(last.zipSize) / (1024.0 * 1024.0);
    state.counters["size_ratio"] = last.zipSize > 0 ? double(last.ownSize) / double(last.zipSize) : 0;
    state.counters["peak_growth_MiB"] = double(growthKiB) / 1024.0;
    state.counters["peak_resettable"] = peakResets ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * TotalSize);
}
BENCHMARK(BM_PackLevel9)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int check()
{
    const Inputs inputs;
    if (!inputs.ready) {
        std::fprintf(stderr, "cannot create the files to pack\n");
        return 1;
    }
    const PackFigures f = packOnce(inputs, resetPeak());
    if (!f.failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(f.failure));
        return 1;
    }
    const int tested = QProcess::execute(QStringLiteral("unzip"),
                                         {QStringLiteral("-tqq"), inputs.archive(QStringLiteral("own.zip"))});
    const double ratio = f.ownSeconds / f.zipSeconds;
    const double sizeRatio = double(f.ownSize) / double(f.zipSize);
    const double growthMiB = double(f.growthKiB) / 1024.0;
    std::printf("pack %.2f s, zip -9 -j %.2f s, ratio %.3f; archive %lld bytes, zip's %lld bytes, ratio %.4f; "
                "peak memory growth %.1f MiB; unzip -t %s\n",
                f.ownSeconds, f.zipSeconds, ratio, f.ownSize, f.zipSize, sizeRatio, growthMiB,
                tested == 0 ? "clean" : "FAILED");
    // Flat memory: a small fraction of the 100 MiB packed.
    return tested == 0 && ratio <= 1.1 && sizeRatio <= 1.01 && growthMiB < 16 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, check);
}
