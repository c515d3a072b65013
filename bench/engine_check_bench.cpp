// Checking every script of a large catalogue against merely reading the
// scripts' bytes: 2,000 sites with five scripts each, 30 lines of 100
// characters, a variable per 50 characters drawn in turn from all 61, both
// category lists of the current definition filled. The check should take at
// most twice as long as the reading ("ratio").
#include "BenchSupport.h"

#include "engines/EngineChecker.h"
#include "records/ApplicationRecord.h"
#include "records/CompanyRecord.h"
#include "records/ListFile.h"
#include "records/ProgramSettings.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int SiteCount = 2000;
constexpr int LinesPerScript = 30;
constexpr int LineLength = 100;
constexpr int CharsPerVariable = 50;

struct Catalogue {
    BenchWorkspace owner;
    ProgramSettings settings;
    CompanyRecord company{owner.companies, owner.prompts};
    ApplicationRecord app{owner.applications, company, settings, owner.prompts};
    QStringList files;

    Catalogue()
    {
        owner.companies.setNames({QStringLiteral("Acme Inc")});
        owner.companies.setCurrentIndex(0);
        owner.applications.setNames({QStringLiteral("Tool")});
        owner.applications.setCurrentIndex(0);
        app.setField(AppField::Version, QStringLiteral("2.1"));
        app.setField(AppField::Platform, QStringLiteral("Windows 95"));
        app.setField(AppField::Size32, QStringLiteral("1536000"));
        app.setLongDescription({QStringLiteral("A tool."), QStringLiteral("It does things.")});
        TEngBuild& engine = *owner.engine;
        engine.setRecords(&company, &app);
        engine.site().byteFormat = 3;
        engine.site().primaryCategories = {QStringLiteral("10\">Games"), QStringLiteral("20\">Utilities")};
        engine.site().secondaryCategories = {QStringLiteral("5\">Misc")};

        QStringList names;
        int variable = 0;
        for (int s = 0; s < SiteCount; ++s) {
            const QString site = QStringLiteral("Site %1").arg(s, 4, 10, QLatin1Char('0'));
            names << site;
            for (int kind = 0; kind < SiteScriptCount; ++kind) {
                QStringList lines;
                for (int l = 0; l < LinesPerScript; ++l) {
                    QString line;
                    while (line.size() < LineLength) {
                        const QString token = u'%' +
                            QLatin1String(scriptVariables()[size_t(variable++ % ScriptVariableCount)].name) + u'%';
                        line += QString(CharsPerVariable - token.size(), QChar(u'a' + l % 26)) + token;
                    }
                    lines << line;
                }
                const QString file = engine.scriptFile(site, SiteScript(kind));
                ListFile::save(file, lines);
                files << file;
            }
        }
        ListFile::save(owner.workspace->SitesDir() + QStringLiteral("Sites.dat"), names);
        engine.LoadCatalogue();
    }
};

Catalogue& catalogue()
{
    static Catalogue instance;
    return instance;
}

void BM_ReadScriptBytes(benchmark::State& state)
{
    Catalogue& c = catalogue();
    for (auto _ : state)
        benchmark::DoNotOptimize(readAllBytes(c.files));
    state.SetItemsProcessed(state.iterations() * c.files.size());
}

void BM_CheckAllScripts(benchmark::State& state)
{
    Catalogue& c = catalogue();
    EngineChecker checker(*c.owner.engine, c.owner.prompts);
    for (auto _ : state)
        checker.beginChecking();
    if (!checker.findings().isEmpty())
        state.SkipWithError("a script failed to expand");
    state.SetItemsProcessed(state.iterations() * c.files.size());
}

// Both in turn, with the ratio of the check's time to the reading's.
void BM_CheckToReadRatio(benchmark::State& state)
{
    Catalogue& c = catalogue();
    EngineChecker checker(*c.owner.engine, c.owner.prompts);
    using Clock = std::chrono::steady_clock;
    Clock::duration readTime{}, checkTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(readAllBytes(c.files));
        const auto t1 = Clock::now();
        checker.beginChecking();
        const auto t2 = Clock::now();
        readTime += t1 - t0;
        checkTime += t2 - t1;
    }
    state.counters["ratio"] = double(checkTime.count()) / double(readTime.count());
}

BENCHMARK(BM_ReadScriptBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckAllScripts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckToReadRatio)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
