#include "submit/TftpForm1.h"

#include "net/ESocketError.h"
#include "submit/SubmitDisplays.h"

#include <exception>

TftpForm1::TftpForm1(SubmitDisplays& displays, FtpAttemptState& state, QObject* parent)
    : QObject(parent), m_displays(displays), m_state(state)
{
    FTP1.OnError = [this](TFtpClient&, int code, const QString& description) {
        const QString line = QStringLiteral("ERR Event: ") + QString::number(code) + description;
        trace(line);
        m_displays.AddFtpLog(line);
        m_displays.setFtpStatus(QStringLiteral("FTP Error"));
        if (code == 421 || code == TFtpClient::Interrupted || code == TFtpClient::TimedOutError)
            m_state.FtpFailed = true;
    };
    FTP1.OnFirePITrail = [this](TFtpClient&, int direction, const QString& message) {
        static const QString prefixes[] = {QStringLiteral("CLIENT: "), QStringLiteral("SERVER: "),
                                           QStringLiteral("INFO: ")};
        if (message == u"Disconnected.")
            abortAction();
        const QString line = (direction >= 0 && direction <= 2 ? prefixes[direction] : QString()) + message;
        trace(line);
        m_displays.AddFtpLog(line);
    };
    FTP1.OnStartTransfer = [this](TFtpClient&) {
        trace(QStringLiteral("TRANSFER BEGIN."));
        m_displays.AddFtpLog(QStringLiteral("TRANSFER BEGIN."));
        m_displays.setFtpStatus(QStringLiteral("Starting Transfer"));
    };
    FTP1.OnTransfer = [this](TFtpClient&, qint64 bytes, const QByteArray&) {
        trace(QStringLiteral("TRANSFER: ") + QString::number(bytes) + QStringLiteral(" Bytes"));
        m_displays.setFtpStatus(QStringLiteral("Bytes Transfered: ") + QString::number(bytes));
    };
    FTP1.OnEndTransfer = [this](TFtpClient&) {
        trace(QStringLiteral("TRANSFER END."));
        m_displays.AddFtpLog(QStringLiteral("TRANSFER END."));
    };
}

TftpForm1::~TftpForm1()
{
    // The client closes its connections as it goes; no handler may hear of it.
    FTP1.OnError = nullptr;
    FTP1.OnFirePITrail = nullptr;
    FTP1.OnStartTransfer = nullptr;
    FTP1.OnTransfer = nullptr;
    FTP1.OnEndTransfer = nullptr;
}

void TftpForm1::trace(const QString& line)
{
    lTrace.append(line);
    if (lTrace.size() > TraceLines)
        lTrace.remove(0, lTrace.size() - TraceLines);
}

void TftpForm1::failed(const QString& message, const QString& ftpLine)
{
    try {
        FTP1.setAction(ftpIdle);
    } catch (const std::exception&) {
        // Idle asks nothing of the server; there is nothing to report.
    }
    m_state.FtpErrorText = message;
    m_state.FtpFailed = true;
    m_displays.AddFtpLog(ftpLine);
}

void TftpForm1::logon()
{
    // "host:port" names its own port; FTP's is 21.
    const auto server = TFtpClient::splitServer(tHost, 21);
    if (!server) {
        failed(QStringLiteral("Invalid port in FTP server: ") + tHost, QStringLiteral("[Unable To Connect.]"));
        return;
    }
    FTP1.setRemoteHost(server->first);
    FTP1.setRemotePort(server->second);
    FTP1.setUser(tUser);
    FTP1.setPassword(tPasswd);
    FTP1.setWinsockLoaded(true);
    try {
        FTP1.setAction(ftpLogon);
    } catch (const ESocketError& e) {
        failed(e.text(), QStringLiteral("[Unable To Connect.]"));
    }
}

void TftpForm1::upload()
{
    FTP1.setLocalFile(eLocalFile);
    FTP1.setRemoteFile(eRemoteFile);
    try {
        FTP1.setAction(ftpUpload);
    } catch (const ESocketError& e) {
        failed(e.text(), QStringLiteral("EXCEPTION: ") + e.text());
    }
}

void TftpForm1::logoff()
{
    try {
        FTP1.setAction(ftpLogoff);
    } catch (const std::exception&) {
        // The connection is closed all the same.
    }
}

void TftpForm1::abortAction()
{
    try {
        FTP1.setAction(ftpAbort);
        FTP1.setAction(ftpIdle);
    } catch (const std::exception&) {
        // A connection that is gone has nothing left to abort.
    }
}
