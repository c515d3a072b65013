#pragma once

#include "workflow/MainModel.h"

#include "records/Clock.h"
#include "reports/TReportsFrm.h"
#include "submit/PostingMethods.h"

#include "../net/TestServers.h"
#include "../support/FakePrompts.h"
#include "../support/SiteFiles.h"
#include "../support/TestWorkspace.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <utility>

// An FTP upload that answers attempt after attempt from a script.
class ScriptedFtp : public FtpPostingMethod {
public:
    std::deque<bool> results;      // default when empty: the attempt fails
    std::function<void()> during;  // runs inside every attempt, as a press during the wait would
    int attempts = 0;
    QList<bool> passive;

    bool PostFtp(bool passiveMode) override
    {
        ++attempts;
        passive << passiveMode;
        if (during)
            during();
        if (results.empty())
            return false;
        const bool result = results.front();
        results.pop_front();
        return result;
    }
    void abort() override {}
};

// A mail sender that answers from a script and records every mail asked for.
class ScriptedEmail : public EmailPostingMethod {
public:
    struct Mail {
        bool isNew;
        int row;
        bool isCopy;
        bool operator==(const Mail&) const = default;
    };
    QList<Mail> sent;
    std::deque<bool> results;     // default when empty: the mail went out
    std::function<void()> during; // runs inside every mail, as a press during the wait would

    bool PostEmail(bool isNew, int row, bool isCopy) override
    {
        sent << Mail{isNew, row, isCopy};
        if (during)
            during();
        if (results.empty())
            return true;
        const bool result = results.front();
        results.pop_front();
        return result;
    }
    void abort() override {}
};

inline void PrintTo(const ScriptedEmail::Mail& m, std::ostream* os)
{
    *os << "{new " << m.isNew << ", row " << m.row << ", copy " << m.isCopy << "}";
}

// A main model over a workspace holding the company "Acme" and the application
// "My Tool" 2.1, ready to submit, with the mail settings given and the moment
// fixed. Tests add the sites they post to before start().
class RunFixture : public ::testing::Test {
protected:
    TestWorkspace ws;
    FakePrompts prompts;
    std::unique_ptr<MainModel> model;
    std::unique_ptr<HttpTestServer> server;
    std::unique_ptr<SmtpTestServer> mailServer;
    ScriptedFtp ftp;
    ScriptedEmail email;
    SiteCounts verifiedCounts;
    int verified = 0;
    bool startSubmission = true;

    static QString s(const char* text) { return QString::fromLatin1(text); }
    static QDateTime moment() { return QDateTime(QDate(2026, 3, 7), QTime(10, 15, 30)); }
    static QString today() { return QLocale::system().toString(moment().date(), QLocale::ShortFormat); }
    QString archive() const { return ws.file(s("files/mytool.zip")); }

    void SetUp() override
    {
        Clock::set([] { return moment(); });
        ws.write(s("companies/companies.dat"), "Acme\r\n");
        ws.write(s("companies/Acme.dat"), "[COMPANY]\r\nCONAME=Acme\r\n");
        ws.write(s("files/mytool.zip"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        ws.write(s("files/tool.ico"), "icon");
        ws.write(s("data/Applications.dat"), "My Tool\r\n");
        ws.write(s("data/My Tool.dat"), "[COMPANY]\r\nCONAME=Acme\r\n[APPINFO]\r\n8CHAR=mytool\r\nVERSION=2.1\r\n"
                                        "PLATFORM=Windows 95\r\nDSTATUS=Author\r\nSTATUS=Shareware\r\nPATH="
                                            + archive().toLocal8Bit() + "\r\nICOPATH="
                                            + ws.file(s("files/tool.ico")).toLocal8Bit() + "\r\n");
        // Mail goes nowhere but to this machine: a port nothing listens on, or the test's mail server.
        writeSettings("SMTP=127.0.0.1:" + QByteArray::number(unusedPort())
                      + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\n");
    }
    void TearDown() override
    {
        model.reset();
        Clock::set({});
    }

    void writeSettings(const QByteArray& keys) const { ws.write(s("settings.dat"), "[SETTINGS]\r\n" + keys); }

    // The test's own mail server, which the settings then name.
    void startMailServer(const QStringList& options = {})
    {
        mailServer = std::make_unique<SmtpTestServer>(options);
        ASSERT_TRUE(mailServer->started());
        writeSettings("SMTP=" + mailServer->address().toLatin1()
                      + "\r\nEMAIL=me@acme.test\r\nNAME=Me\r\nHTTPTimeOut=5\r\n");
    }

    void startServer()
    {
        server = std::make_unique<HttpTestServer>();
        ASSERT_TRUE(server->started());
    }
    QByteArray url(const char* path) const { return server->url(s(path)).toLatin1(); }

    // A catalogue site with its definition keys, its HTTP_NEW script and its primary categories.
    void addSite(const char* name, const QByteArray& keys, const QByteArray& httpNew = {},
                 const QByteArray& categories = {})
    {
        m_sites.add(name, keys, httpNew, categories);
    }
    // A site posting its form to the test server's path.
    void addHttpSite(const char* name, const char* path, const QByteArray& script = "name=%APPNAME%")
    {
        addSite(name, "USE_HTTP_POST=1\r\nHTTP_NEW_SCRIPT_URL=" + url(path) + "\r\n", script);
    }

    // Starts the model over the files as they are now; the verification answers startSubmission.
    void start()
    {
        model.reset();
        model = std::make_unique<MainModel>(prompts, ws.path(), ws.settingsFile());
        model->startWorkspace();
        model->formShow();
        model->siteList().setVerifier([this](const SiteCounts& counts) {
            verifiedCounts = counts;
            ++verified;
            return startSubmission;
        });
    }
    SubmissionRun& run() { return model->run(); }
    ApplicationSiteList& list() { return model->siteList(); }
    TEngBuild& engine() { return *model->engine(); }

    int rowOf(const char* site) const
    {
        const auto& rows = model->siteList().rows();
        for (int i = 0; i < rows.size(); ++i)
            if (rows.at(i).site == s(site))
                return i;
        return -1;
    }
    const SiteListRow& row(const char* site) const { return model->siteList().rows().at(rowOf(site)); }
    // Site, Submit, Category1, Category2, Last Post, P: one line of the site list file.
    static QByteArray line(std::initializer_list<QByteArray> fields)
    {
        QByteArray out;
        for (const QByteArray& f : fields)
            out += (out.isEmpty() ? QByteArray() : QByteArray(1, char(0xB1))) + f;
        return out + "\r\n";
    }
    QByteArray sitesFile() const { return ws.read(s("data/My Tool_SITES.dat")); }

    QStringList log() const { return model->displays().logLines(); }
    bool logged(const QString& text) const { return log().contains(text); }
    QByteArray runFile(const QString& name) const
    {
        QFile f(model->reports().RunDir() + u'/' + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The success and failure counts the main report shows.
    std::pair<int, int> reportedCounts() const
    {
        const QString page = QString::fromLatin1(runFile(s("MainReport.htm")));
        const auto count = [&](const char* caption) {
            const QRegularExpression re(s(caption)
                                        + s("</small></font></td>\\s*<td[^>]*><small><font face=\"Arial\">(\\d+)<"));
            const QRegularExpressionMatch m = re.match(page);
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        return {count("# of Successful Submissions"), count("# of Failed Submissions")};
    }
    bool asked(const QString& question) const { return prompts.shown.contains(u"confirm: " + question); }

private:
    SiteFiles m_sites{ws};
};
