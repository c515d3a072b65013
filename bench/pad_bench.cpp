// PAD import and export against Qt's bare XML stream classes on the same
// document: a 1 MB PAD file of a full program record and descriptions in many
// languages. The import (read and map, nothing written) is to stay within 3
// times a bare QXmlStreamReader pass over the bytes; the export (map, check
// against the 4.0 rules and write) within 10 times a bare QXmlStreamWriter
// writing the same elements. The ratios are printed after the runs.
#include "pad/PadDocument.h"
#include "pad/PadMapping.h"
#include "pad/PadRules.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

QString p(const char* relative) { return PadMapping::path(relative); }

// A full record, then description blocks for made-up languages up to 1 MB.
const QByteArray& document()
{
    static const QByteArray bytes = [] {
        PadValues v;
        const std::pair<const char*, const char*> fields[] = {
            {"Company_Info/Company_Name", "Acme Software"}, {"Company_Info/Address_1", "12 Main Street"},
            {"Company_Info/City_Town", "Springfield"}, {"Company_Info/Country", "USA"},
            {"Company_Info/Company_WebSite_URL", "https://acme.example"},
            {"Company_Info/Contact_Info/Contact_First_Name", "Jane"},
            {"Company_Info/Contact_Info/Contact_Last_Name", "Doe"},
            {"Company_Info/Contact_Info/Contact_Email", "jane@acme.example"},
            {"Program_Info/Program_Name", "Acme Tool"}, {"Program_Info/Program_Version", "2.5.1"},
            {"Program_Info/Program_Release_Month", "03"}, {"Program_Info/Program_Release_Day", "15"},
            {"Program_Info/Program_Release_Year", "2026"}, {"Program_Info/Program_Type", "Shareware"},
            {"Program_Info/Program_Release_Status", "New Release"},
            {"Program_Info/Program_OS_Support", "Win98,WinXP,Win7 x64,Linux"},
            {"Program_Info/File_Info/File_Size_Bytes", "1536000"},
            {"Program_Descriptions/English/Char_Desc_45", "Tidies your files in one click"},
            {"Program_Descriptions/English/Char_Desc_2000", "Acme Tool tidies your files.\nIn one click."}};
        for (const auto& [path, value] : fields)
            v.set(p(path), QString::fromUtf8(value));
        const QString text = QStringLiteral("Ordnet Ihre Dateien mit einem Klick, schnell und sicher. ").repeated(3);
        // Languages are added while the document stays within the largest file read.
        QByteArray out;
        for (int n = 0;; ++n) {
            PadValues more = v;
            const QString language = QStringLiteral("Language%1/").arg(n, 5, 10, QLatin1Char('0'));
            for (const char* f : {"Keywords", "Char_Desc_45", "Char_Desc_80", "Char_Desc_250", "Char_Desc_450"})
                more.set(p("Program_Descriptions/") + language + QLatin1String(f), text);
            if (n % 20 == 0) {
                const QByteArray bigger = PadDocument::write(more, PadRules::order(PadVersion::V4_0));
                if (bigger.size() > PadDocument::MaxBytes)
                    return out;
                out = bigger;
            }
            v = more;
        }
    }();
    return bytes;
}

const PadValues& values()
{
    static const PadValues v = PadDocument::read(document()).values;
    return v;
}

double seconds(benchmark::State& state, const std::function<void()>& body)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
        / double(state.iterations());
}

double bareRead = 0, importTime = 0, bareWrite = 0, exportTime = 0;

void BM_BareReader(benchmark::State& state)
{
    bareRead = seconds(state, [] {
        QXmlStreamReader reader(document());
        int tokens = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    });
    state.SetBytesProcessed(state.iterations() * document().size());
}

void BM_Import(benchmark::State& state)
{
    importTime = seconds(state, [] {
        const PadReadResult read = PadDocument::read(document());
        const PadImport plan = PadMapping::importValues(read.values, PadRecordValues());
        benchmark::DoNotOptimize(plan.rows.size());
    });
    state.SetBytesProcessed(state.iterations() * document().size());
}

void BM_BareWriter(benchmark::State& state)
{
    bareWrite = seconds(state, [] {
        QByteArray out;
        QXmlStreamWriter writer(&out);
        writer.setAutoFormatting(true);
        writer.setAutoFormattingIndent(2);
        writer.writeStartDocument();
        QStringList open;
        for (const PadEntry& e : values().entries()) {
            const QStringList steps = e.path.split(u'/');
            qsizetype common = 0;
            while (common < open.size() && common < steps.size() - 1 && open[common] == steps[common])
                ++common;
            while (open.size() > common) {
                writer.writeEndElement();
                open.removeLast();
            }
            for (qsizetype i = common; i < steps.size() - 1; ++i) {
                writer.writeStartElement(steps[i]);
                open << steps[i];
            }
            writer.writeTextElement(steps.last(), e.value);
        }
        writer.writeEndDocument();
        benchmark::DoNotOptimize(out.size());
    });
}

void BM_ExportChecked(benchmark::State& state)
{
    PadRecordValues records;
    records.set(QStringLiteral("NAME"), QStringLiteral("Acme Tool"));
    records.set(QStringLiteral("CONAME"), QStringLiteral("Acme Software"));
    records.set(QStringLiteral("PLATFORM"), QStringLiteral("Windows 95 and NT"));
    records.set(QStringLiteral("STATUS"), QStringLiteral("Shareware"));
    exportTime = seconds(state, [&] {
        const PadValues out = PadMapping::exportValues(records, values(), PadVersion::V4_0);
        const QList<PadFailure> failures = PadRules::check(out, PadVersion::V4_0);
        const QByteArray bytes = PadDocument::write(out, PadRules::order(PadVersion::V4_0));
        benchmark::DoNotOptimize(failures.size());
        benchmark::DoNotOptimize(bytes.size());
    });
}

BENCHMARK(BM_BareReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportChecked)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("document: %lld bytes, %lld values\n", qlonglong(document().size()), qlonglong(values().size()));
    if (bareRead > 0 && importTime > 0)
        std::printf("import / bare reader: %.2f (limit 3)\n", importTime / bareRead);
    if (bareWrite > 0 && exportTime > 0)
        std::printf("export with check / bare writer: %.2f (limit 10)\n", exportTime / bareWrite);
    return 0;
}
