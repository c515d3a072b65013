#pragma once

#include "net/CIPPortMsg.h"
#include "net/SmtpSession.h"

#include <QString>
#include <QStringList>

#include <functional>

// What setting Action does.
enum TSmtpActions : int { smtpIdle = 0, smtpConnect, smtpDisconnect, smtpSend, smtpResetHeaders, smtpCommand };

// A plain SMTP client on the line connection: one message per smtpSend, with
// the headers it is given and the lines of MessageText, dot-stuffed. The
// connection opens with EHLO (HELO for a server that refuses it), STARTTLS
// and the sign-in when they apply. A refused step fails with code 161 and the
// server's reply line; every failure is thrown as ESocketError.
class TPlainSMTP : public CIPPortMsg, private SmtpSession::Line {
public:
    static constexpr int ReplyError = 161;

    explicit TPlainSMTP(QObject* parent = nullptr);
    ~TPlainSMTP() override;

    // "host", or "host:port", which then overrides MailPort.
    const QString& MailServer() const { return m_mailServer; }
    void setMailServer(const QString& server) { m_mailServer = server; }
    quint16 MailPort() const { return m_mailPort; }
    void setMailPort(quint16 port) { m_mailPort = port; }
    QString From;
    QString ReplyTo;
    QStringList SendTo;
    QStringList Cc;
    QStringList BCc;
    QString Subject;
    QString Date;
    QStringList MessageText;
    QStringList OtherHeaders;
    // Sign-in (AUTH PLAIN or AUTH LOGIN, over an encrypted connection only) when UserName is set.
    QString UserName;
    QString Password;
    // When set, a server that offers no STARTTLS (on a port other than 465) is
    // not sent anything after EHLO: the connect fails with "The mail server does not offer encryption".
    bool RequireEncryption = false;
    // The command line smtpCommand sends.
    QString Command;
    // Seconds any single wait may take before the action fails with "Operation timed out".
    int TimeOut() const { return m_timeOut; }
    void setTimeOut(int seconds) { m_timeOut = seconds; }

    TSmtpActions Action() const { return m_action; }
    // Performs the action; another one while an action runs fails with "Busy performing current action.".
    void setAction(TSmtpActions action);

    // direction 0 command sent, 1 reply line received, 2 the client's own information.
    std::function<void(TPlainSMTP& sender, int direction, const QString& message)> OnPITrail;

    int waitTimeOut() const override { return m_timeOut; }

    // A hostile server cannot make the client keep more than this of a reply.
    static constexpr qsizetype MaxReplyLineLength = 64 * 1024;
    static constexpr int MaxReplyLines = 1000;

private:
    // Runs one action under the busy mark; a lost or stalled connection is closed and reported.
    void perform(TSmtpActions action, void (TPlainSMTP::*body)());
    void connectServer();
    void ensureConnected();
    void disconnectServer();
    void sendMessage();
    void resetHeaders();
    void sendCommand();
    // Sends one command line and reads its reply; the reply's last line.
    QString command(const QString& line);
    QString readReply();
    // The whole reply, refused or not.
    SmtpSession::Reply readAnyReply();

    // The session's view of the connection.
    void readGreeting() override { readReply(); }
    SmtpSession::Reply exchange(const QString& command, const QString& shown) override;
    void upgrade(const QString& host) override;
    bool secured() const override { return isEncrypted(); }
    void helloFallback() override;
    [[noreturn]] void refuseWith(const SmtpSession::Reply& reply) override;
    [[noreturn]] void failWith(int number, const QString& text, bool drop) override;
    void note(const QString& text) override { trail(2, text); }
    void trail(int direction, const QString& message);
    [[noreturn]] static void failFor(const EIPPortError& error);

    bool m_busy = false;
    QString m_mailServer;
    quint16 m_mailPort = 25;
    int m_timeOut = 60;
    TSmtpActions m_action = smtpIdle;
};
