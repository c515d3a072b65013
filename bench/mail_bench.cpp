// Sending a mail with a 50 MiB random attachment over loopback, composing
// included, against curl sending the same composed message to the same SMTP
// sink in the same run. Reports both times, their ratio, the send's phases
// (composing, then the transfer), and how far the peak resident memory (VmHWM) rose above the resident
// memory at the start of a send.
//
// `mail_bench --check` instead sends the message once to the aiosmtpd test
// server, with its size limit above the message, and tells whether it was
// taken whole.
#include "BenchMemory.h"
#include "net/ESocketError.h"
#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"

#include "../tests/net/TestServers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 AttachmentSize = 50LL * 1024 * 1024;
const QString Sender = QStringLiteral("publisher@example.test");
const QString Recipient = QStringLiteral("listings@example.test");

void prepareMessage(TmsMessage& message, const QString& attachment)
{
    message.Sender().setName(QStringLiteral("Zentrel Publisher"));
    message.Sender().setAddress(Sender);
    message.Recipients().Add(QStringLiteral("Listings"), Recipient);
    message.setSubject(QStringLiteral("New release"));
    message.setBody({QStringLiteral("The new release is attached."), QString()});
    message.setDate(QDateTime(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc()));
    message.Attachments().Add(attachment);
}

// The project's SMTP sink on a free port of 127.0.0.1, taking every message and
// keeping none; stopped when this object goes.
class SmtpSink {
public:
    SmtpSink()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(ZENTREL_SOURCE_DIR "/scripts/smtp_sink.py")});
        QDeadlineTimer deadline(15000);
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
            m_process.waitForReadyRead(int(deadline.remainingTime()));
        const QByteArray line = m_process.readLine().trimmed();
        if (line.startsWith("PORT "))
            m_port = quint16(line.mid(5).toUInt());
    }
    ~SmtpSink()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    SmtpSink(const SmtpSink&) = delete;
    SmtpSink& operator=(const SmtpSink&) = delete;

    bool started() const { return m_port != 0; }
    QString address() const { return u"127.0.0.1:" + QString::number(m_port); }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

void BM_SendLargeAttachment(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString attachment = dir.filePath(QStringLiteral("release.bin"));
    if (!writeRandomFile(attachment, AttachmentSize, 15)) {
        state.SkipWithError("cannot create the attachment");
        return;
    }
    SmtpSink sink;
    if (!sink.started()) {
        state.SkipWithError("the SMTP sink did not start");
        return;
    }
    TmsMessage message;
    prepareMessage(message, attachment);

    // curl is given the message as composed once.
    const QString composedPath = dir.filePath(QStringLiteral("composed.eml"));
    {
        QFile composed(composedPath);
        if (!composed.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot create the composed message");
            return;
        }
        try {
            message.SaveToStream(composed);
        } catch (const ESocketError& e) {
            state.SkipWithError(qPrintable(u"cannot compose the message: " + e.text()));
            return;
        }
    }
    const qint64 composedSize = QFile(composedPath).size();

    TmsSMTP smtp;
    smtp.setServer(sink.address());
    smtp.setMailMessage(&message);
    // The phases of a send: composing into the temporary file, then the
    // envelope and the data up to the server's answer.
    QElapsedTimer phase;
    double composeSeconds = 0;
    double transferSeconds = 0;
    smtp.OnPrepare = [&](TmsSMTP&) { phase.start(); };
    smtp.OnSending = [&](TmsSMTP&) {
        composeSeconds += double(phase.nsecsElapsed()) / 1e9;
        phase.start();
    };
    smtp.OnMailSent = [&](TmsSMTP&) { transferSeconds += double(phase.nsecsElapsed()) / 1e9; };
    PeakGrowth growth;

    double sendSeconds = 0;
    double curlSeconds = 0;
    for (auto _ : state) {
        growth.start();
        QElapsedTimer timer;
        timer.start();
        try {
            smtp.Send();
        } catch (const ESocketError& e) {
            state.SkipWithError(qPrintable(u"the client's send failed: " + e.text()));
            break;
        }
        const double send = double(timer.nsecsElapsed()) / 1e9;
        growth.stop();

        timer.restart();
        const int exit = QProcess::execute(
            QStringLiteral("curl"),
            {QStringLiteral("--silent"), QStringLiteral("--mail-from"), Sender, QStringLiteral("--mail-rcpt"),
             Recipient, QStringLiteral("--upload-file"), composedPath, u"smtp://" + sink.address()});
        const double curl = double(timer.nsecsElapsed()) / 1e9;
        if (exit != 0) {
            state.SkipWithError("curl's send failed");
            break;
        }

        state.SetIterationTime(send);
        sendSeconds += send;
        curlSeconds += curl;
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["send_s"] = sendSeconds / n;
    state.counters["curl_s"] = curlSeconds / n;
    state.counters["ratio"] = curlSeconds > 0 ? sendSeconds / curlSeconds : 0;
    state.counters["compose_s"] = composeSeconds / n;
    state.counters["transfer_s"] = transferSeconds / n;
    state.counters["message_MiB"] = double(composedSize) / (1024.0 * 1024.0);
    state.counters["peak_growth_MiB"] = double(growth.largestKiB()) / 1024.0;
    state.counters["peak_per_attachment"] = double(growth.largestKiB()) * 1024.0 / double(AttachmentSize);
    state.counters["peak_resettable"] = growth.resettable() ? 1 : 0;
    state.SetBytesProcessed(state.iterations() * composedSize);
}
BENCHMARK(BM_SendLargeAttachment)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The one-off check that a real server takes the message whole.
int checkWithAiosmtpd()
{
    QTemporaryDir dir;
    const QString attachment = dir.filePath(QStringLiteral("release.bin"));
    if (!writeRandomFile(attachment, AttachmentSize, 15)) {
        std::fprintf(stderr, "cannot create the attachment\n");
        return 1;
    }
    TmsMessage message;
    prepareMessage(message, attachment);
    QFile composed(dir.filePath(QStringLiteral("composed.eml")));
    if (!composed.open(QIODevice::WriteOnly))
        return 1;
    message.SaveToStream(composed);
    composed.close();

    // The size limit is set well above the composed message.
    const qint64 limit = composed.size() * 2;
    SmtpTestServer server({QStringLiteral("--size"), QString::number(limit)});
    if (!server.started()) {
        std::fprintf(stderr, "aiosmtpd did not start\n");
        return 1;
    }
    TmsSMTP smtp;
    smtp.setServer(server.address());
    smtp.setMailMessage(&message);
    QString dataReply;
    smtp.OnMailSent = [&](TmsSMTP& sender) { dataReply = sender.ReplyText(); };
    try {
        smtp.Send();
    } catch (const ESocketError& e) {
        std::fprintf(stderr, "the send failed: %s\n", qPrintable(e.text()));
        return 1;
    }
    // A message is complete once its .json is there.
    QDeadlineTimer deadline(30000);
    while (server.messageCount() < 1 && !deadline.hasExpired())
        QThread::msleep(50);
    const int count = server.messageCount();
    // The send composed the message anew, so only its Message-ID and its
    // boundary may differ.
    const auto normalized = [](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        QByteArray text = file.readAll();
        const qsizetype id = text.indexOf("\r\nMessage-ID: ");
        if (id >= 0)
            text.remove(id, text.indexOf("\r\n", id + 2) - id);
        const qsizetype named = text.indexOf("boundary=\"");
        if (named >= 0) {
            const qsizetype from = named + 10;
            const QByteArray boundary = text.mid(from, text.indexOf('"', from) - from);
            if (!boundary.isEmpty())
                text.replace(boundary, "BOUNDARY");
        }
        return text;
    };
    const bool same = count == 1 && normalized(server.messagePath(1)) == normalized(composed.fileName());
    std::printf("aiosmtpd --size %lld: message count %d, composed %lld bytes, saved %lld bytes, %s; data reply \"%s\"\n",
                limit, count, composed.size(), QFile(server.messagePath(1)).size(),
                same ? "the same text" : "a different text", qPrintable(dataReply));
    return same ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, checkWithAiosmtpd);
}
