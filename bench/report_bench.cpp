// Writing the report of a large run: 2,000 sites with 20 log lines each, every
// tenth posted by HTTP with a 64 KB reply, and a 10,000-line run log. Each
// iteration also copies the finished run folder with `cp -r` on the same file
// system, so the two times and their ratio come from the same run.
#include "reports/TReportsFrm.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Sites = 2000;
constexpr int LinesPerSite = 20;
constexpr int LogLines = 10000;
constexpr int ReplyBytes = 64 * 1024;

QStringList reply()
{
    QStringList lines;
    qsizetype size = 0;
    for (int i = 0; size < ReplyBytes; ++i) {
        QString line = QStringLiteral("<tr><td class=\"cell\">Row %1 of the listing form</td><td>value & more</td></tr>")
                           .arg(i);
        size += line.size() + 2;
        lines << line;
    }
    return lines;
}

void BM_WriteRunReport(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    QDir().mkpath(root + u"reports");
    QDir().mkpath(root + u"images");
    QStringList log;
    for (int i = 0; i < LogLines; ++i)
        log << QStringLiteral("Posting to site %1: HTTP Status: 200 <OK> & done").arg(i % Sites);
    const QStringList httpReply = reply();
    QStringList transfer;
    TReportsFrm writer({[&]() -> QString { return root + u"reports/"; }, [&]() -> QString { return root + u"images/"; },
                        [] { return QStringLiteral("Big Tool"); }, [&] { return log; }, [&] { return transfer; }});

    double writeSeconds = 0;
    double copySeconds = 0;
    int copies = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        writer.StartReport();
        for (int site = 0; site < Sites; ++site) {
            const QString method = site % 10 == 0 ? QStringLiteral("HTTP")
                : site % 2 ? QStringLiteral("FTP") : QStringLiteral("EMAIL");
            transfer = method == u"HTTP" ? httpReply : QStringList();
            writer.StartSiteLog(method);
            for (int line = 0; line < LinesPerSite; ++line)
                writer.AddSiteLog(QStringLiteral("Sending block %1 of the form to \"site %2\"").arg(line).arg(site));
            writer.SaveSiteLog(method, QStringLiteral("Site %1").arg(site));
            ++writer.SuccessCount;
        }
        writer.WriteMainReport();
        const double write = double(timer.nsecsElapsed()) / 1e9;

        const QString copy = root + u"copy" + QString::number(copies++);
        timer.restart();
        const int status = QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), writer.RunDir(), copy});
        const double cp = double(timer.nsecsElapsed()) / 1e9;
        if (status != 0)
            state.SkipWithError("cp -r failed");

        state.SetIterationTime(write);
        writeSeconds += write;
        copySeconds += cp;
    }
    // Removing files makes the next files slower to create; nothing is removed
    // before the last iteration.
    const double n = double(state.iterations());
    state.counters["write_s"] = writeSeconds / n;
    state.counters["cp_r_s"] = copySeconds / n;
    state.counters["ratio"] = copySeconds > 0 ? writeSeconds / copySeconds : 0;
}
BENCHMARK(BM_WriteRunReport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
