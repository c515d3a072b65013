// Loading an application's site list against a catalogue of 2,000 sites (their
// definitions and category lists, and an existing "<App>_SITES.dat") against
// reading those files' bytes once; and the same load with the grid showing it.
#include "BenchSupport.h"

#include "records/ApplicationRecord.h"
#include "records/CompanyRecord.h"
#include "records/ListFile.h"
#include "records/ProgramSettings.h"
#include "submit/ApplicationSiteList.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int SiteCount = 2000;

struct SiteListBench {
    BenchWorkspace owner;
    ProgramSettings settings;
    CompanyRecord company{owner.companies, owner.prompts};
    ApplicationRecord app{owner.applications, company, settings, owner.prompts};
    ApplicationSiteList list{app, settings, owner.prompts};
    QStringList loadFiles;  // what a load reads
    QStringList issueFiles; // definitions, category lists and the site list file

    SiteListBench()
    {
        TGWide& ws = *owner.workspace;
        TEngBuild& engine = *owner.engine;
        owner.applications.setNames({QStringLiteral("Tool")});
        owner.applications.setCurrentIndex(0);
        app.setField(AppField::Platform, QStringLiteral("Windows 95"));
        app.setField(AppField::Status, QStringLiteral("Shareware"));

        QStringList names, siteLines;
        QStringList categories;
        for (int c = 0; c < 40; ++c)
            categories << QStringLiteral("%1\">Category number %1").arg(c);
        for (int i = 0; i < SiteCount; ++i) {
            const QString name = QStringLiteral("Download Site %1").arg(i, 4, 10, QLatin1Char('0'));
            names << name;
            SiteDefinition& d = engine.site();
            d = SiteDefinition();
            d.useCat1 = d.useCat2 = true;
            d.useHttpPost = i % 2 == 0;
            d.useEmail = i % 3 == 0;
            d.siteSystem = i % 5 == 0 ? 1 : 3;
            d.primaryCategories = categories;
            d.secondaryCategories = categories;
            engine.SaveSite(name);
            loadFiles << engine.definitionFile(name);
            issueFiles << engine.definitionFile(name) << engine.primaryCategoryFile(name)
                       << engine.secondaryCategoryFile(name);
            const QChar sep(0xB1);
            siteLines << name + sep + QStringLiteral("Update") + sep + QStringLiteral("Category number 3") + sep
                    + QStringLiteral("Category number 7") + sep + QStringLiteral("12/01/26") + sep + QStringLiteral("Y");
        }
        const QString sitesDat = ws.SitesDir() + QStringLiteral("Sites.dat");
        ListFile::save(sitesDat, names);
        const QString listFile = ApplicationSiteList::fileName(ws.DataDir(), QStringLiteral("Tool"));
        ListFile::save(listFile, siteLines);
        loadFiles << sitesDat << listFile;
        issueFiles << listFile;
        engine.LoadCatalogue();
        list.setWorkspace(&ws, &engine);
    }
};

SiteListBench& bench()
{
    static SiteListBench instance;
    return instance;
}

void BM_SiteListLoadRatio(benchmark::State& state)
{
    SiteListBench& b = bench();
    using Clock = std::chrono::steady_clock;
    Clock::duration readLoad{}, readIssue{}, load{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(readAllBytes(b.loadFiles));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(readAllBytes(b.issueFiles));
        const auto t2 = Clock::now();
        b.owner.engine->LoadCatalogue();
        b.list.Load(QStringLiteral("Tool"));
        const auto t3 = Clock::now();
        readLoad += t1 - t0;
        readIssue += t2 - t1;
        load += t3 - t2;
    }
    if (b.list.rowCount() != SiteCount)
        state.SkipWithError("wrong row count");
    state.counters["ratio_vs_files_read"] = double(load.count()) / double(readLoad.count());
    state.counters["ratio_vs_defs_cats_list"] = double(load.count()) / double(readIssue.count());
}

// The same load with a grid showing the list, through to the grid's next paint.
void BM_SiteListLoadIntoGrid(benchmark::State& state)
{
    SiteListBench& b = bench();
    QTableView grid;
    grid.setModel(&b.list);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.resize(720, 320);
    grid.show();
    QApplication::processEvents();
    for (auto _ : state) {
        b.list.Load(QStringLiteral("Tool"));
        grid.viewport()->repaint();
        QApplication::processEvents();
    }
}

BENCHMARK(BM_SiteListLoadRatio)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SiteListLoadIntoGrid)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runBenchmarks<QApplication>(argc, argv);
}
