#pragma once

#include "net/TFtpClient.h"

#include <QObject>
#include <QString>
#include <QStringList>

class SubmitDisplays;

// What an FTP attempt tells its owner: set by the holder's handlers and actions.
struct FtpAttemptState {
    bool FtpFailed = false;
    QString FtpErrorText;
};

// The carrier of one FTP attempt of a run: the client FTP1, the fields that
// feed it, and the handlers that tell the FTP transfer list and the FTP status
// what the client does. A fresh one serves every attempt; it is never shown,
// and freeing it closes any connection left open.
class TftpForm1 : public QObject {
public:
    TftpForm1(SubmitDisplays& displays, FtpAttemptState& state, QObject* parent = nullptr);
    ~TftpForm1() override;

    TFtpClient FTP1;
    // "host" or "host:port".
    QString tHost;
    QString tUser;
    QString tPasswd;
    QString eLocalFile;
    QString eRemoteFile;
    // The holder's own trace; nothing shows it, so only its latest lines are kept.
    QStringList lTrace;

    // Each returns when the server has answered. Logon and upload record a
    // failure in the attempt's state (and the transfer list) instead of throwing.
    void logon();
    void upload();
    // An error of the logoff is of no interest: the attempt has ended either way.
    void logoff();
    // Makes the action in progress fail (Skip, Cancel, a lost connection).
    void abortAction();

    static constexpr qsizetype TraceLines = 1000;

private:
    void trace(const QString& line);
    void failed(const QString& message, const QString& ftpLine);

    SubmitDisplays& m_displays;
    FtpAttemptState& m_state;
};
