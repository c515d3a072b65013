// Fetching a 256 MiB file over loopback from Python's http.server into a file,
// against `curl -s -o` fetching the same URL in the same run. Reports both
// times, their ratio, and how much the peak resident memory (VmHWM) grew over
// the client's fetches.
#include "net/TagHTTP.h"

#include "../tests/net/TestServers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr qint64 FileSize = 256LL * 1024 * 1024;

// The process's peak resident memory in KiB.
qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void BM_GetLargeFileToFile(benchmark::State& state)
{
    QTemporaryDir dir;
    QFile source(dir.filePath(QStringLiteral("big.bin")));
    if (!source.open(QIODevice::WriteOnly)) {
        state.SkipWithError("cannot create the file to serve");
        return;
    }
    const QByteArray block(1024 * 1024, 'z');
    for (qint64 written = 0; written < FileSize; written += block.size())
        source.write(block);
    source.close();

    HttpTestServer server(dir.path());
    if (!server.started()) {
        state.SkipWithError("the HTTP server did not start");
        return;
    }
    const QString url = server.url(QStringLiteral("/big.bin"));
    const QString curlOut = dir.filePath(QStringLiteral("curl.bin"));
    QFile body(dir.filePath(QStringLiteral("get.bin")));
    if (!body.open(QIODevice::ReadWrite)) {
        state.SkipWithError("cannot create the body file");
        return;
    }

    TagHTTP http;
    http.setURL(server.url(QStringLiteral("/test/len")));
    http.Get();
    http.setBody(&body);
    http.setURL(url);
    const qint64 peakBefore = peakResidentKiB();

    double getSeconds = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const int status = http.Get();
        const double get = double(timer.nsecsElapsed()) / 1e9;
        if (status != 200 || body.size() != FileSize)
            state.SkipWithError("the client's fetch was incomplete");

        timer.restart();
        const int exit = QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), curlOut, url});
        const double curl = double(timer.nsecsElapsed()) / 1e9;
        if (exit != 0 || QFile(curlOut).size() != FileSize)
            state.SkipWithError("curl's fetch was incomplete");

        state.SetIterationTime(get);
        getSeconds += get;
        curlSeconds += curl;
    }
    const double n = double(state.iterations());
    state.counters["get_s"] = getSeconds / n;
    state.counters["curl_s"] = curlSeconds / n;
    state.counters["ratio"] = curlSeconds > 0 ? getSeconds / curlSeconds : 0;
    state.counters["hwm_growth_MiB"] = double(peakResidentKiB() - peakBefore) / 1024.0;
    state.SetBytesProcessed(state.iterations() * FileSize);
}
BENCHMARK(BM_GetLargeFileToFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
