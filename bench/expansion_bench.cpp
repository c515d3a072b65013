// Script expansion against the template's length: 100 KB and 1 MB templates
// with one variable per 50 characters. Linear expansion keeps the 1 MB time
// within 12 times the 100 KB time.
#include "BenchSupport.h"

#include "records/ApplicationRecord.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

struct Expansion {
    BenchWorkspace owner;
    ProgramSettings settings;
    CompanyRecord company{owner.companies, owner.prompts};
    ApplicationRecord app{owner.applications, company, settings, owner.prompts};

    Expansion()
    {
        owner.companies.setNames({QStringLiteral("Acme Inc")});
        owner.companies.setCurrentIndex(0);
        owner.applications.setNames({QStringLiteral("Tool")});
        owner.applications.setCurrentIndex(0);
        app.setField(AppField::Version, QStringLiteral("2.1"));
        app.setField(AppField::Size32, QStringLiteral("1536000"));
        owner.engine->setRecords(&company, &app);
        owner.engine->site().byteFormat = 3;
    }
};

Expansion& expansion()
{
    static Expansion instance;
    return instance;
}

// Plain text and a variable in turn, one variable per 50 characters.
QString makeTemplate(qsizetype length)
{
    const QString variables[] = {QStringLiteral("%APPNAME%"), QStringLiteral("%APPVERSION%"),
                                 QStringLiteral("%COMPNAME%"), QStringLiteral("%APPSIZE32%")};
    QString text;
    text.reserve(length + 64);
    int n = 0;
    while (text.size() < length) {
        const QString& v = variables[n++ % 4];
        text += QString(50 - v.size(), u'x') + v;
    }
    return text;
}

void BM_Expand(benchmark::State& state)
{
    TEngBuild& engine = *expansion().owner.engine;
    const QString tmpl = makeTemplate(state.range(0));
    for (auto _ : state) {
        QString out = engine.Expand(tmpl, ExpandMode::Submission);
        benchmark::DoNotOptimize(out);
    }
    if (engine.ExpandError())
        state.SkipWithError("expansion failed");
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

// Both sizes in turn, with the ratio of the 1 MB time to the 100 KB time.
void BM_ExpandTenfoldRatio(benchmark::State& state)
{
    TEngBuild& engine = *expansion().owner.engine;
    const QString small = makeTemplate(100 * 1024);
    const QString large = makeTemplate(1024 * 1024);
    using Clock = std::chrono::steady_clock;
    Clock::duration smallTime{}, largeTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(engine.Expand(small, ExpandMode::Submission));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(engine.Expand(large, ExpandMode::Submission));
        const auto t2 = Clock::now();
        smallTime += t1 - t0;
        largeTime += t2 - t1;
    }
    state.counters["ratio"] = double(largeTime.count()) / double(smallTime.count());
}

BENCHMARK(BM_Expand)->Arg(100 * 1024)->Arg(1024 * 1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandTenfoldRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
