// Uploading a 256 MiB file over loopback to the project's FTP test server
// (pyftpdlib), passive and binary, logon and logoff included, against
// `curl -T FILE --disable-epsv` uploading the same file to the same server in
// the same run; then the same over explicit TLS (the server taking nothing
// unencrypted) against `curl --ssl-reqd --cacert CA -T FILE`. Reports both
// times, their ratio, and how far the peak resident memory (VmHWM) rose above
// the resident memory at the start of an upload.
//
// `ftp_bench --check` instead uploads the file once with the client and once
// with curl, plain and encrypted, and tells whether each landed byte for byte.
#include "BenchMemory.h"
#include "net/ESocketError.h"
#include "net/TFtpClient.h"
#include "net/TlsSupport.h"

#include "../tests/net/TestServers.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 FileSize = 256LL * 1024 * 1024;

QByteArray sha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

// The server's options: none, or the test certificate and nothing unencrypted
// taken; the client then trusts the test authority.
QStringList serverOptions(bool encrypted)
{
    if (!encrypted)
        return {};
    const TestCertificates& certs = TestCertificates::get();
    Tls::setExtraCaFile(certs.ca());
    return {QStringLiteral("--tls"), certs.path(QStringLiteral("server.pem")), certs.path(QStringLiteral("server.key")),
            QStringLiteral("--tls-required")};
}

void prepareClient(TFtpClient& ftp, const FtpTestServer& server, const QString& localFile, bool encrypted)
{
    ftp.setTls(encrypted ? ftpTlsRequired : ftpTlsNone);
    ftp.setRemoteHost(QStringLiteral("127.0.0.1"));
    ftp.setRemotePort(server.port());
    ftp.setUser(server.user());
    ftp.setPassword(server.password());
    ftp.setPassive(true);
    ftp.setTransferMode(tmBinary);
    ftp.setLocalFile(localFile);
    ftp.setRemoteFile(QStringLiteral("ours.bin"));
}

// Logon, upload, logoff: what curl does in one run.
void uploadWithClient(TFtpClient& ftp)
{
    ftp.setAction(ftpLogon);
    ftp.setAction(ftpUpload);
    ftp.setAction(ftpLogoff);
}

// Lands as release.bin, the local file's name.
int uploadWithCurl(const FtpTestServer& server, const QString& localFile, bool encrypted)
{
    QStringList arguments{QStringLiteral("--silent"), QStringLiteral("--show-error"), QStringLiteral("-T"), localFile,
                          QStringLiteral("--disable-epsv")};
    if (encrypted)
        arguments << QStringLiteral("--ssl-reqd") << QStringLiteral("--cacert") << TestCertificates::get().ca();
    arguments << u"ftp://" + server.user() + u':' + server.password() + u'@' + server.address() + u'/';
    return QProcess::execute(QStringLiteral("curl"), arguments);
}

// Argument 0: plain FTP; 1: explicit TLS.
void BM_UploadLargeFilePassive(benchmark::State& state)
{
    const bool encrypted = state.range(0) != 0;
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("release.bin"));
    if (!writeRandomFile(source, FileSize, 16)) {
        state.SkipWithError("cannot create the file to upload");
        return;
    }
    FtpTestServer server(serverOptions(encrypted));
    if (!server.started()) {
        state.SkipWithError("the FTP test server did not start");
        return;
    }
    TFtpClient ftp;
    prepareClient(ftp, server, source, encrypted);
    PeakGrowth growth;

    double uploadSeconds = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        growth.start();
        QElapsedTimer timer;
        timer.start();
        try {
            uploadWithClient(ftp);
        } catch (const ESocketError& e) {
            state.SkipWithError(qPrintable(u"the client's upload failed: " + e.text()));
            break;
        }
        const double upload = double(timer.nsecsElapsed()) / 1e9;
        growth.stop();
        if (QFile(server.filePath(QStringLiteral("ours.bin"))).size() != FileSize) {
            state.SkipWithError("the client's upload was incomplete");
            break;
        }

        timer.restart();
        const int exit = uploadWithCurl(server, source, encrypted);
        const double curl = double(timer.nsecsElapsed()) / 1e9;
        if (exit != 0 || QFile(server.filePath(QStringLiteral("release.bin"))).size() != FileSize) {
            state.SkipWithError("curl's upload failed");
            break;
        }

        state.SetIterationTime(upload);
        uploadSeconds += upload;
        curlSeconds += curl;
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["upload_s"] = uploadSeconds / n;
    state.counters["curl_s"] = curlSeconds / n;
    state.counters["ratio"] = curlSeconds > 0 ? uploadSeconds / curlSeconds : 0;
    state.counters["peak_growth_MiB"] = double(growth.largestKiB()) / 1024.0;
    state.counters["peak_resettable"] = growth.resettable() ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * FileSize);
}
BENCHMARK(BM_UploadLargeFilePassive)
    ->ArgName("tls")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The one-off check that both uploads land whole.
int checkUploads(bool encrypted)
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("release.bin"));
    if (!writeRandomFile(source, FileSize, 16)) {
        std::fprintf(stderr, "cannot create the file to upload\n");
        return 1;
    }
    FtpTestServer server(serverOptions(encrypted));
    if (!server.started()) {
        std::fprintf(stderr, "the FTP test server did not start\n");
        return 1;
    }
    TFtpClient ftp;
    prepareClient(ftp, server, source, encrypted);
    try {
        uploadWithClient(ftp);
    } catch (const ESocketError& e) {
        std::fprintf(stderr, "the client's upload failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    const int curlExit = uploadWithCurl(server, source, encrypted);
    const QByteArray expected = sha256(source);
    const bool ours = sha256(server.filePath(QStringLiteral("ours.bin"))) == expected;
    const bool curls = curlExit == 0 && sha256(server.filePath(QStringLiteral("release.bin"))) == expected;
    std::printf("pyftpdlib%s: the client's upload %s, curl's upload %s (%lld bytes each)\n",
                encrypted ? " over TLS" : "", ours ? "landed byte for byte" : "differs", curls ? "landed byte for byte" : "differs", FileSize);
    return ours && curls ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, [] { return std::max(checkUploads(false), checkUploads(true)); });
}
