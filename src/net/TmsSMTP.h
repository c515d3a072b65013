#pragma once

#include "net/SmtpReplyReader.h"
#include "net/SmtpSession.h"
#include "net/TagSocket.h"

#include <QFile>
#include <QString>

class TmsMessage;

// Sends one message per Send to an SMTP server: greeting, EHLO (HELO for a
// server that refuses it), STARTTLS and the sign-in when they apply, envelope,
// DATA with the composed text, QUIT. Replies that refuse a step fail Send with
// the server's own text (OnError is not told of them); socket failures,
// encryption failures among them, fire OnError first, as every component does.
class TmsSMTP : public TagSocket, private SmtpSession::Line, private SmtpReplyReader::Source {
public:
    explicit TmsSMTP(QObject* parent = nullptr);

    // The message Send sends; not owned.
    TmsMessage* MailMessage() const { return m_message; }
    void setMailMessage(TmsMessage* message) { m_message = message; }
    // Signs in with AUTH PLAIN or AUTH LOGIN when set (over an encrypted connection only).
    const QString& UserName() const { return m_userName; }
    void setUserName(const QString& name) { m_userName = name; }
    const QString& Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    // When set, a server that offers no STARTTLS (on a port other than 465) is
    // not sent anything after EHLO: Send fails with "The mail server does not offer encryption".
    bool RequireEncryption() const { return m_requireEncryption; }
    void setRequireEncryption(bool on) { m_requireEncryption = on; }
    // A file the commands and replies of every Send are added to; empty keeps none.
    const QString& LogFile() const { return m_logFile; }
    void setLogFile(const QString& path) { m_logFile = path; }

    // Composing starts, the envelope starts, the server took the mail.
    std::function<void(TmsSMTP& sender)> OnPrepare;
    std::function<void(TmsSMTP& sender)> OnSending;
    std::function<void(TmsSMTP& sender)> OnMailSent;
    // A recipient was refused; the send goes on only when the handler sets `proceed`.
    std::function<void(TmsSMTP& sender, const QString& address, const QString& reply, bool& proceed)>
        OnAddressRejected;

    // Opens the connection, sends MailMessage and closes; the close also runs
    // after a failure, which then reaches the caller as ESocketError.
    void Send();

    // The last line of the last reply read.
    const QString& ReplyText() const { return m_replyText; }
    // Why the QUIT after a delivered mail failed; empty when it did not. The
    // mail went all the same, so Send does not fail for it.
    const QString& QuitError() const { return m_quitError; }

    static constexpr qsizetype MaxReplyLineLength = 64 * 1024;
    static constexpr int MaxReplyLines = SmtpReplyReader::MaxReplyLines;
    // The composed text goes to the socket in blocks of this size, each written
    // out before the next is read, which bounds what waits in memory.
    static constexpr qint64 DataBlockSize = 1024 * 1024;

protected:
    // A Server without ":port" is reached on DefaultPort.
    quint16 servicePort() const override { return DefaultPort(); }

private:
    using Reply = SmtpSession::Reply;

    void openMail();
    void sendMessage();
    void closeMail(bool delivered);
    void checkMessage() const;
    Reply readReply();
    Reply command(const QString& text);
    void sendData(QIODevice& data);
    [[noreturn]] void refuse(const Reply& reply) const;
    void log(const QString& text);

    // The session's view of the connection.
    void readGreeting() override;
    Reply exchange(const QString& command, const QString& shown) override;
    void upgrade(const QString& host) override;
    bool secured() const override { return isEncrypted(); }
    void helloFallback() override;
    [[noreturn]] void refuseWith(const Reply& reply) override { refuse(reply); }
    [[noreturn]] void failWith(int number, const QString& text, bool drop) override;
    void note(const QString& text) override { log(text); }

    // The reply reader's view of the connection: each line read goes to the log.
    QString replyLine() override;
    [[noreturn]] void replyFault(int number) override { fail(number); }

    TmsMessage* m_message = nullptr;
    QString m_userName;
    QString m_password;
    bool m_requireEncryption = false;
    QString m_logFile;
    QFile m_log;
    QString m_replyText;
    QString m_quitError;
};
