// A written report opened in a real browser (headless Chromium): its links,
// its reply frame and its images resolve under a folder whose name holds a
// blank, "#" and "%", and a site reply's script runs nowhere. The report is
// left in the build tree to be looked at.
#include "reports/TReportsFrm.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// Answers every request on a loopback port with "204 No Content" and remembers its path.
class Beacon {
public:
    Beacon()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_pending[socket] += socket->readAll();
                    const QByteArray& request = m_pending[socket];
                    if (!request.contains("\r\n\r\n"))
                        return;
                    paths << QString::fromLatin1(request.split(' ').value(1));
                    socket->write("HTTP/1.1 204 No Content\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const char* path) const
    {
        return s("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(s(path));
    }
    QStringList paths;

private:
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// The page's document after it has loaded, as headless Chromium serializes it.
// The event loop runs meanwhile, so the beacon answers.
QString loadedDocument(const QString& url)
{
    QTemporaryDir profile;
    QProcess chromium;
    chromium.setProgram(QStandardPaths::findExecutable(s("chromium")));
    chromium.setArguments({s("--headless"), s("--no-sandbox"), s("--disable-gpu"), s("--disable-quic"),
                           s("--no-first-run"), s("--disable-background-networking"),
                           s("--disable-component-update"), s("--disable-sync"),
                           s("--user-data-dir=") + profile.path(), s("--dump-dom"), url});
    chromium.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&chromium, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&chromium, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(90'000, &loop, &QEventLoop::quit);
    chromium.start();
    loop.exec();
    if (chromium.state() != QProcess::NotRunning) {
        chromium.kill();
        chromium.waitForFinished();
    }
    return QString::fromUtf8(chromium.readAllStandardOutput());
}

QStringList captures(const QString& text, const char* pattern)
{
    QStringList found;
    QRegularExpressionMatchIterator it = QRegularExpression(s(pattern)).globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(1).replace(s("&amp;"), s("&"));
    return found;
}

QString title(const QString& document)
{
    return captures(document, "<title>([^<]*)</title>").value(0);
}

} // namespace

TEST(ReportInBrowser, LinksReplyFrameAndImagesResolveAndRepliesRunNoScript)
{
    if (QStandardPaths::findExecutable(s("chromium")).isEmpty())
        GTEST_SKIP() << "chromium is not installed (scripts/deps.sh installs it)";

    const QString sample = s(ZENTREL_REPORT_SAMPLE_DIR) + u'/';
    QDir(sample).removeRecursively();
    const QString root = sample + s("work space #1 %41/");
    QDir().mkpath(root + s("reports"));
    QDir().mkpath(root + s("images"));
    for (const char* image : {"zlsr.jpg", "back.jpg"})
        ASSERT_TRUE(QFile::copy(s(ZENTREL_SOURCE_DIR "/resources/images/") + s(image), root + s("images/") + s(image)));

    Beacon beacon;
    QStringList transfer{s("<html><head><title>Thanks</title></head><body><p>Listing received</p>"),
                         s("<img src=\"%1\">").arg(beacon.url("/reply-image")),
                         s("<script>new Image().src = '%1'; parent.document.title = 'changed';</script>")
                             .arg(beacon.url("/reply-script")),
                         s("</body></html>")};
    TReportsFrm writer({[&]() -> QString { return root + s("reports/"); }, [&]() -> QString { return root + s("images/"); },
                        [] { return s("Tool & Co"); },
                        [] { return QStringList{s("Posting to Alpha #1"), s("<b>not bold</b>")}; },
                        [&] { return transfer; }});
    writer.StartReport();
    writer.StartSiteLog(s("HTTP"));
    writer.AddSiteLog(s("Posting <form>"));
    writer.SaveSiteLog(s("HTTP"), s("Alpha #1"));
    ++writer.SuccessCount;
    writer.StartSiteLog(s("FTP"));
    writer.AddSiteLog(s("Uploaded 100%"));
    writer.SaveSiteLog(s("FTP"), s("Beta %41"));
    writer.StartSiteLog(s("EMAIL"));
    writer.SaveSiteLog(s("EMAIL"), s("Gamma"));
    ++writer.FailCount;
    writer.WriteMainReport();

    const QString main = loadedDocument(writer.MainReportUrl());
    ASSERT_EQ(title(main), s("Submission Report")) << qPrintable(main);
    const QStringList links = captures(main, "<a href=\"([^\"]*)\"");
    ASSERT_EQ(links.size(), 4) << qPrintable(main);

    // Every link of the main page leads to its page, and each page back to the main page.
    const QStringList titles{s("Tool & Co Log File "), s("HTTP "), s("FTP "), s("EMAIL ")};
    for (int i = 0; i < links.size(); ++i) {
        const QString page = loadedDocument(links[i]);
        EXPECT_EQ(title(page).replace(s("&amp;"), s("&")), titles[i]) << qPrintable(links[i]);
        EXPECT_EQ(captures(page, "<a href=\"([^\"]*)\"").value(0), writer.MainReportUrl()) << qPrintable(links[i]);
        if (i == 1) {
            EXPECT_TRUE(page.contains(s("<iframe sandbox=\"\" src=\""))) << qPrintable(page);
            EXPECT_TRUE(page.contains(s("Posting &lt;form&gt;"))) << qPrintable(page);
        }
        if (i == 0) {
            EXPECT_TRUE(page.contains(s("&lt;b&gt;not bold&lt;/b&gt;"))) << qPrintable(page);
        }
    }
    EXPECT_TRUE(beacon.paths.contains(s("/reply-image"))) << "the reply's frame loaded";
    EXPECT_FALSE(beacon.paths.contains(s("/reply-script"))) << "a reply's script ran";

    // Both images load from the exact URLs the pages use; the probe's own script
    // shows that a script able to run would have reached the beacon.
    const QString logo = captures(main, "<img src=\"([^\"]*)\"").value(0);
    const QString background = captures(main, "background=\"([^\"]*)\"").value(0);
    ASSERT_TRUE(logo.endsWith(s("/zlsr.jpg")) && background.endsWith(s("/back.jpg"))) << qPrintable(main);
    const QString probe = sample + s("probe.htm");
    QFile file(probe);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const auto image = [](const char* id, const QString& url) {
        return s("<p id=\"%1\">none</p><img src=\"%2\" onload=\"document.getElementById('%1').textContent = "
                 "'loaded ' + this.naturalWidth + 'x' + this.naturalHeight\">\n")
            .arg(s(id), QString(url).replace(s("&"), s("&amp;")));
    };
    file.write((s("<html><body>\n") + image("logo", logo) + image("background", background)
                + s("<script>new Image().src = '%1';</script></body></html>\n").arg(beacon.url("/probe-script")))
                   .toUtf8());
    file.close();
    const QString probed = loadedDocument(QUrl::fromLocalFile(probe).toString(QUrl::FullyEncoded));
    EXPECT_TRUE(QRegularExpression(s("<p id=\"logo\">loaded [1-9][0-9]*x[1-9][0-9]*</p>")).match(probed).hasMatch())
        << qPrintable(probed);
    EXPECT_TRUE(QRegularExpression(s("<p id=\"background\">loaded [1-9][0-9]*x[1-9][0-9]*</p>")).match(probed).hasMatch())
        << qPrintable(probed);
    EXPECT_TRUE(beacon.paths.contains(s("/probe-script")));
    EXPECT_FALSE(beacon.paths.contains(s("/reply-script")));
}
