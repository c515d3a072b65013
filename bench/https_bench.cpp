// Downloading 256 MiB over loopback from the project's HTTP test server
// serving HTTPS with the throw-away certificates, into a local file, against
// `curl -s --cacert CA -o` fetching the same URL in the same run. Reports both
// times, their ratio, the client's processor time, and how far the peak
// resident memory (VmHWM) rose above the resident memory at the start of a
// download.
//
// `https_bench --check` instead downloads once with each, tells whether both
// files equal the one served, and fails when they do not or when the client's
// memory grew with the download.
#include "BenchMemory.h"
#include "net/ESocketError.h"
#include "net/TDownloadHTTP.h"
#include "net/TlsSupport.h"

#include "../tests/net/TestServers.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

#include <sys/resource.h>

namespace {

// 256 MiB, or HTTPS_BENCH_MIB mebibytes: a smaller file for a run under callgrind.
const qint64 FileSize = (qEnvironmentVariableIntValue("HTTPS_BENCH_MIB") > 0
                             ? qint64(qEnvironmentVariableIntValue("HTTPS_BENCH_MIB"))
                             : 256LL) * 1024 * 1024;
// More than this much growth means the body was kept in memory.
constexpr qint64 FlatMemoryKiB = 16 * 1024;

// The processor time this process has used, user and system together, in seconds.
double processorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

// The file served, the server, and the two files the downloads go to; the
// test authority is trusted while it lives.
struct Setup {
    QTemporaryDir dir;
    QString served = dir.filePath(QStringLiteral("big.bin"));
    QString clientFile = dir.filePath(QStringLiteral("client.bin"));
    QString curlFile = dir.filePath(QStringLiteral("curl.bin"));
    bool written = writeRandomFile(served, FileSize, 18);
    bool certificates = TestCertificates::get().made();
    HttpTestServer server{dir.path(), HttpTestServer::tls()};
    QString url = server.url(QStringLiteral("/big.bin"));

    Setup() { Tls::setExtraCaFile(TestCertificates::get().ca()); }
    ~Setup() { Tls::setExtraCaFile(QString()); }
    bool ready() const { return written && certificates && server.started(); }
};

QString download(TDownloadHTTP& http, const QString& url, const QString& file)
{
    http.setURL(url);
    http.setLocalFile(file);
    try {
        http.setAction(httpGet);
    } catch (const ESocketError& e) {
        return e.text();
    }
    return QString();
}

bool curl(const QString& url, const QString& file)
{
    return QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("--cacert"),
                                                      TestCertificates::get().ca(), QStringLiteral("-o"), file, url})
        == 0;
}

void BM_HttpsDownload(benchmark::State& state)
{
    Setup setup;
    if (!setup.ready()) {
        state.SkipWithError("cannot serve the file over HTTPS");
        return;
    }
    TDownloadHTTP http;
    http.setUserAgent(QStringLiteral("ZentrelWeb"));
    qint64 transfers = 0;
    http.OnTransfer = [&transfers](TDownloadHTTP&, qint64, const QByteArray&) { ++transfers; };
    PeakGrowth growth;

    double clientSeconds = 0;
    double clientProcessor = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        growth.start();
        QElapsedTimer timer;
        timer.start();
        const double processorBefore = processorSeconds();
        const QString error = download(http, setup.url, setup.clientFile);
        const double client = double(timer.nsecsElapsed()) / 1e9;
        clientProcessor += processorSeconds() - processorBefore;
        if (!error.isEmpty()) {
            state.SkipWithError(qPrintable(u"the client's download failed: " + error));
            break;
        }
        growth.stop();

        timer.restart();
        const bool curlDone = curl(setup.url, setup.curlFile);
        const double curlTime = double(timer.nsecsElapsed()) / 1e9;
        if (!curlDone) {
            state.SkipWithError("curl's download failed");
            break;
        }
        state.SetIterationTime(client);
        clientSeconds += client;
        curlSeconds += curlTime;
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["client_s"] = clientSeconds / n;
    state.counters["client_cpu_s"] = clientProcessor / n;
    state.counters["curl_s"] = curlSeconds / n;
    state.counters["ratio"] = curlSeconds > 0 ? clientSeconds / curlSeconds : 0;
    state.counters["transfers"] = double(transfers) / n;
    state.counters["peak_growth_MiB"] = double(growth.largestKiB()) / 1024.0;
    state.counters["peak_resettable"] = growth.resettable() ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * FileSize);
}
BENCHMARK(BM_HttpsDownload)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int check()
{
    Setup setup;
    if (!setup.ready()) {
        std::fprintf(stderr, "cannot serve the file over HTTPS\n");
        return 1;
    }
    TDownloadHTTP http;
    http.setUserAgent(QStringLiteral("ZentrelWeb"));
    PeakGrowth growth;
    growth.start();
    QElapsedTimer timer;
    timer.start();
    const double processorBefore = processorSeconds();
    const QString error = download(http, setup.url, setup.clientFile);
    const double client = double(timer.nsecsElapsed()) / 1e9;
    const double clientProcessor = processorSeconds() - processorBefore;
    growth.stop();
    timer.restart();
    const bool curlDone = curl(setup.url, setup.curlFile);
    const double curlTime = double(timer.nsecsElapsed()) / 1e9;

    const QByteArray expected = digestOf(setup.served);
    const bool clientSame = error.isEmpty() && digestOf(setup.clientFile) == expected;
    const bool curlSame = curlDone && digestOf(setup.curlFile) == expected;
    std::printf("client %.3f s (%s, processor %.3f s), curl %.3f s (%s), ratio %.2f; peak growth %.1f MiB\n", client,
                clientSame ? "the file" : qPrintable(u"failed: " + error), clientProcessor, curlTime,
                curlSame ? "the file" : "failed",
                curlTime > 0 ? client / curlTime : 0.0, double(growth.largestKiB()) / 1024.0);
    return clientSame && curlSame && growth.largestKiB() < FlatMemoryKiB ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, check);
}
