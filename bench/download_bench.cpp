// Downloading a 64 MiB archive over loopback from the project's HTTP test
// server into a local file, with a progress handler doing what the update
// dialog does (byte counts, "Received NK of MK", the percentage), against
// `curl -s -o` fetching the same URL in the same run. Reports both times, their
// ratio, and how far the peak resident memory (VmHWM) rose above the resident
// memory at the start of a download.
//
// `download_bench --check` instead downloads once with each, tells whether both
// files equal the archive, and fails when they do not or when the client's
// memory grew with the download.
#include "BenchMemory.h"
#include "net/ESocketError.h"
#include "net/TDownloadHTTP.h"

#include "../tests/net/TestServers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 ArchiveSize = 64LL * 1024 * 1024;
// More than this much growth means the body was kept in memory.
constexpr qint64 FlatMemoryKiB = 16 * 1024;

// What the update dialog's handlers keep: the expected total, the trace's last
// line, the bar, the status and the percentage.
struct Progress {
    qint64 total = 2147483647;
    qint64 bar = 0;
    int percent = 0;
    QString trackLine;
    QString status;
    qint64 updates = 0;
};

void watch(TDownloadHTTP& http, Progress& progress)
{
    http.OnHeader = [&progress](TDownloadHTTP&, const QString& field, const QString& value) {
        progress.trackLine = u"Header: " + field + u':' + value;
        if (field.toUpper() == u"CONTENT-LENGTH")
            progress.total = value.toLongLong();
    };
    http.OnTransfer = [&progress](TDownloadHTTP&, qint64 bytes, const QByteArray&) {
        progress.trackLine = QString::number(bytes) + u" bytes written";
        progress.bar = bytes;
        progress.status = u"Received " + QString::number(bytes / 1024) + u"K of " +
            QString::number(progress.total / 1024) + u'K';
        progress.percent = progress.total > 0 ? int(bytes * 100 / progress.total) : 0;
        ++progress.updates;
    };
}

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

// The archive served, the server, and the two files the downloads go to.
struct Setup {
    QTemporaryDir dir;
    QString archive = dir.filePath(QStringLiteral("zlsites.zip"));
    QString clientFile = dir.filePath(QStringLiteral("client.zip"));
    QString curlFile = dir.filePath(QStringLiteral("curl.zip"));
    bool written = writeRandomFile(archive, ArchiveSize, 64);
    HttpTestServer server{dir.path()};
    QString url = server.url(QStringLiteral("/zlsites.zip"));
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
    return QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), file, url}) == 0;
}

void BM_DownloadArchive(benchmark::State& state)
{
    Setup setup;
    if (!setup.written) {
        state.SkipWithError("cannot create the archive to serve");
        return;
    }
    if (!setup.server.started()) {
        state.SkipWithError("the HTTP server did not start");
        return;
    }
    TDownloadHTTP http;
    http.setUserAgent(QStringLiteral("ZentrelWeb"));
    Progress progress;
    watch(http, progress);
    PeakGrowth growth;

    double clientSeconds = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        growth.start();
        QElapsedTimer timer;
        timer.start();
        const QString error = download(http, setup.url, setup.clientFile);
        const double client = double(timer.nsecsElapsed()) / 1e9;
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
    state.counters["curl_s"] = curlSeconds / n;
    state.counters["ratio"] = curlSeconds > 0 ? clientSeconds / curlSeconds : 0;
    state.counters["percent"] = progress.percent;
    state.counters["progress_updates"] = double(progress.updates) / n;
    state.counters["peak_growth_MiB"] = double(growth.largestKiB()) / 1024.0;
    state.counters["peak_resettable"] = growth.resettable() ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * ArchiveSize);
}
BENCHMARK(BM_DownloadArchive)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int check()
{
    Setup setup;
    if (!setup.written || !setup.server.started()) {
        std::fprintf(stderr, "cannot serve the archive\n");
        return 1;
    }
    TDownloadHTTP http;
    http.setUserAgent(QStringLiteral("ZentrelWeb"));
    Progress progress;
    watch(http, progress);
    PeakGrowth growth;
    growth.start();
    QElapsedTimer timer;
    timer.start();
    const QString error = download(http, setup.url, setup.clientFile);
    const double client = double(timer.nsecsElapsed()) / 1e9;
    growth.stop();
    const qint64 growthKiB = growth.largestKiB();
    timer.restart();
    const bool curlDone = curl(setup.url, setup.curlFile);
    const double curlTime = double(timer.nsecsElapsed()) / 1e9;

    const QByteArray expected = digestOf(setup.archive);
    const bool clientSame = error.isEmpty() && digestOf(setup.clientFile) == expected;
    const bool curlSame = curlDone && digestOf(setup.curlFile) == expected;
    std::printf("client %.3f s (%s), curl %.3f s (%s), ratio %.2f; status \"%s\", %d%%; peak growth %.1f MiB\n",
                client, clientSame ? "the archive" : qPrintable(u"failed: " + error), curlTime,
                curlSame ? "the archive" : "failed", curlTime > 0 ? client / curlTime : 0.0, qPrintable(progress.status),
                progress.percent, double(growthKiB) / 1024.0);
    return clientSame && curlSame && progress.percent == 100 && growthKiB < FlatMemoryKiB ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, check);
}
