#include "submit/TSMTPForm.h"

#include "records/TIniFile.h"
#include "records/ZentrelError.h"
#include "reports/TReportsFrm.h"
#include "submit/SubmitDisplays.h"

TSMTPForm::TSMTPForm(const QString& programIni, SubmitDisplays& displays, TReportsFrm& reports, QObject* parent)
    : QObject(parent), m_displays(displays), m_reports(reports)
{
    const QString setup = QStringLiteral("Setup");
    int charSet = 0;
    int encoding = 0;
    try {
        const TIniFile ini(programIni);
        setupServer = ini.ReadString(setup, QStringLiteral("Server"), QString());
        setupAddress = ini.ReadString(setup, QStringLiteral("EMail Address"), QString()).left(255);
        setupName = ini.ReadString(setup, QStringLiteral("Name"), QString()).left(255);
        setupLogFile = ini.ReadString(setup, QStringLiteral("Log File"), QString());
        charSet = ini.ReadInteger(setup, QStringLiteral("CharSet"), 0);
        encoding = ini.ReadInteger(setup, QStringLiteral("Encoding"), 0);
    } catch (const ZentrelError&) {
        // A profile that cannot be read gives the defaults.
    }
    // Only the values the client knows count; any other is the default.
    msMessage1.setCharSet(charSet == 1 ? csISO8859 : csUSASCII);
    msMessage1.setEncoding(encoding == 1 ? meUU : meMIME);
    msMessage1.Headers().append(QStringLiteral("X-Zentrel: ") + productNotice());

    const auto page = [this](const QString& line, const QString& statusText) {
        m_reports.AddSiteLog(line);
        status = statusText;
    };
    msSMTP1.OnOpen = [page](TagSocket&) { page(QStringLiteral("Opening SMTP Connection"), QStringLiteral("Opening connection")); };
    msSMTP1.OnPrepare = [page](TmsSMTP&) { page(QStringLiteral("Preparing Message"), QStringLiteral("Preparing message")); };
    msSMTP1.OnSending = [page](TmsSMTP&) { page(QStringLiteral("Sending Message"), QStringLiteral("Sending message")); };
    msSMTP1.OnMailSent = [this](TmsSMTP&) {
        m_reports.AddSiteLog(QStringLiteral("Mail Sent"));
        m_displays.setMailProgress(0);
    };
    msSMTP1.OnClosing = [page](TagSocket&) {
        page(QStringLiteral("Closing Connection"), QStringLiteral("Closing connection"));
    };
    msSMTP1.OnClosed = [this, page](TagSocket&) {
        page(QStringLiteral("Connection Closed"), QStringLiteral("Connection closed"));
        m_displays.setMailProgress(0);
    };
    msSMTP1.OnCancel = [page](TagSocket&) {
        page(QStringLiteral("MailSend Operation Canceled!"), QStringLiteral("Operation has been canceled"));
    };
    msSMTP1.OnError = [this](TagSocket&, const QString& message) {
        m_reports.AddSiteLog(QStringLiteral("ERROR -> ") + message);
        status = message;
        m_displays.AddLog(QStringLiteral("SMTP Error"));
        MailFailed = true;
        SocketError = true;
    };
    msSMTP1.OnAddressRejected = [this](TmsSMTP&, const QString&, const QString&, bool&) {
        const QString line = QStringLiteral("ERROR -> Address Rejected By Server");
        m_reports.AddSiteLog(line);
        m_displays.AddLog(line);
        MailFailed = true;
    };
    msSMTP1.OnProgress = [this](TagSocket&, int percent, qint64) {
        if (percent >= 0)
            m_displays.setMailProgress(percent);
    };
}

QString TSMTPForm::productNotice()
{
    return QStringLiteral("Sent by Zentrel 2.13, the submission tool for shareware publishers");
}
