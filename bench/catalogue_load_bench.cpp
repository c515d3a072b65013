// Loading a catalogue of 2,000 sites (every definition, both category lists and
// two scripts each) against reading the same files' bytes once.
#include "BenchSupport.h"

#include "records/ListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int SiteCount = 2000;

struct Catalogue {
    BenchWorkspace owner;
    QStringList files; // every file a full load reads

    Catalogue()
    {
        TGWide* workspace = owner.workspace.get();
        QStringList names;
        for (int i = 0; i < SiteCount; ++i)
            names << QStringLiteral("Download Site %1").arg(i, 4, 10, QLatin1Char('0'));
        const QString sitesDat = workspace->SitesDir() + QStringLiteral("Sites.dat");
        ListFile::save(sitesDat, names);
        files << sitesDat;

        SiteDefinition sample;
        sample.useHttpPost = true;
        sample.useEmail = true;
        sample.httpNewScriptUrl = QStringLiteral("http://example.invalid/cgi-bin/submit.cgi");
        sample.emailSubject = QStringLiteral("New submission: %APPNAME% %APPVERSION%");
        QStringList categories;
        for (int c = 0; c < 40; ++c)
            categories << QStringLiteral("%1\">Category number %1").arg(c);
        QStringList script;
        for (int l = 0; l < 30; ++l)
            script << QStringLiteral("field%1=%APPNAME% and %COMPNAME% line %1").arg(l);
        sample.primaryCategories = categories;
        sample.secondaryCategories = categories;
        sample.scripts[size_t(SiteScript::HttpNew)] = script;
        sample.scripts[size_t(SiteScript::EmailNew)] = script;
        TEngBuild& engine = *owner.engine;
        for (const QString& name : names) {
            engine.site() = sample;
            engine.SaveSite(name);
            files << engine.definitionFile(name) << engine.primaryCategoryFile(name)
                  << engine.secondaryCategoryFile(name) << engine.scriptFile(name, SiteScript::HttpNew)
                  << engine.scriptFile(name, SiteScript::EmailNew);
        }
    }
};

Catalogue& catalogue()
{
    static Catalogue instance;
    return instance;
}

void BM_ReadBytesOnce(benchmark::State& state)
{
    Catalogue& c = catalogue();
    for (auto _ : state) {
        qint64 total = 0;
        for (const QString& name : c.files) {
            QFile f(name);
            if (f.open(QIODevice::ReadOnly))
                total += f.readAll().size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["files"] = double(c.files.size());
}

void BM_LoadCatalogueAndEverySite(benchmark::State& state)
{
    Catalogue& c = catalogue();
    TEngBuild& engine = *c.owner.engine;
    for (auto _ : state) {
        engine.LoadCatalogue();
        int categories = 0;
        for (const QString& name : engine.catalogue().combined()) {
            engine.LoadSite(name);
            categories += int(engine.site().primaryCategories.size() + engine.site().secondaryCategories.size());
        }
        benchmark::DoNotOptimize(categories);
    }
    state.counters["sites"] = double(engine.catalogue().combined().size());
}

// Both in turn, with the ratio load / read as a counter (the target is at most 3).
void BM_LoadToReadRatio(benchmark::State& state)
{
    Catalogue& c = catalogue();
    TEngBuild& engine = *c.owner.engine;
    using Clock = std::chrono::steady_clock;
    Clock::duration read{}, load{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        qint64 total = 0;
        for (const QString& name : c.files) {
            QFile f(name);
            if (f.open(QIODevice::ReadOnly))
                total += f.readAll().size();
        }
        const auto t1 = Clock::now();
        engine.LoadCatalogue();
        for (const QString& name : engine.catalogue().combined())
            engine.LoadSite(name);
        const auto t2 = Clock::now();
        read += t1 - t0;
        load += t2 - t1;
        benchmark::DoNotOptimize(total);
    }
    state.counters["ratio"] = double(load.count()) / double(read.count());
}

BENCHMARK(BM_ReadBytesOnce)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadCatalogueAndEverySite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadToReadRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
