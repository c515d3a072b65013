// Large mails are encoded and sent block by block; these cases put what a
// block-wise encoder or period doubler gets wrong exactly on a block's edge.
#include "net/ESocketError.h"
#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"

#include "TestServers.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

void addressTo(TmsMessage& message)
{
    message.Sender().setAddress(s("tester@example.test"));
    message.Recipients().Add(QString(), s("to@example.test"));
    message.setDate(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone::utc()));
}

} // namespace

TEST(MailBlockEdges, Base64FilesAreWholeLinesAtEveryGroupAndReadBlockEdge)
{
    // Groups of 57 bytes make a line; files are read 57 KiB at a time.
    constexpr qsizetype Block = 57 * 1024;
    const qsizetype sizes[] = {0, 1, 2, 56, 57, 58, 114, Block - 1, Block, Block + 1, 2 * Block + 100};
    QTemporaryDir dir;
    QRandomGenerator random(7);
    for (const qsizetype size : sizes) {
        QByteArray bytes(size, '\0');
        for (char& b : bytes)
            b = char(random.bounded(256));
        QFile file(dir.filePath(s("f.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        // A lone file: its lines follow the header block directly.
        TmsMessage message;
        addressTo(message);
        message.Attachments().Add(file.fileName());
        QBuffer composed;
        composed.open(QIODevice::WriteOnly);
        message.SaveToStream(composed);
        const QByteArray& text = composed.data();
        const qsizetype start = text.indexOf("\r\n\r\n");
        ASSERT_GT(start, 0) << size;
        const QByteArray content = text.mid(start + 4);
        EXPECT_TRUE(content.isEmpty() || content.endsWith("\r\n")) << size;
        QList<QByteArray> lines = content.split('\n');
        lines.removeLast();
        QByteArray joined;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QByteArray& line = lines[i];
            ASSERT_TRUE(line.endsWith('\r')) << size << " line " << i;
            const qsizetype width = line.size() - 1;
            if (i + 1 < lines.size())
                EXPECT_EQ(width, 76) << size << " line " << i;
            else
                EXPECT_TRUE(width > 0 && width <= 76) << size;
            joined += line.chopped(1);
        }
        EXPECT_EQ(lines.size(), (size + 56) / 57) << size;
        EXPECT_EQ(QByteArray::fromBase64(joined, QByteArray::AbortOnBase64DecodingErrors), bytes) << size;
    }
}

TEST(MailBlockEdges, APeriodLineOnADataBlockEdgeIsDoubled)
{
    // Lines of a lone period, three bytes apiece, past the first data block;
    // subjects one byte apart move them over the edge, so one of the three
    // mails has such a line start exactly on it. A line left single there
    // would end the data early.
    SmtpTestServer server;
    ASSERT_TRUE(server.started());
    const qsizetype count = TmsSMTP::DataBlockSize / 3 + 2000;
    const QStringList body(count, s("."));
    TmsSMTP smtp;
    smtp.setServer(server.address());
    for (int shift = 1; shift <= 3; ++shift) {
        TmsMessage message;
        addressTo(message);
        message.setSubject(QString(shift, u's'));
        message.setBody(body);
        smtp.setMailMessage(&message);
        try {
            smtp.Send();
        } catch (const ESocketError& e) {
            ADD_FAILURE() << "subject of " << shift << ": " << qPrintable(e.text());
        }
        ASSERT_EQ(server.messageCount(), shift);
        const QByteArray saved = server.message(shift);
        const qsizetype start = saved.indexOf("\r\n\r\n");
        ASSERT_GT(start, 0);
        EXPECT_EQ(saved.mid(start + 4), QByteArray(".\r\n").repeated(count)) << "subject of " << shift;
    }
}
