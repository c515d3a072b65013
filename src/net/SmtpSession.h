#pragma once

#include <QString>
#include <QStringList>

// The opening of a mail session, the same for both mail clients: TLS from the
// first byte on the implicit-TLS port, the greeting, EHLO and the extensions
// its reply names (HELO, as the client says it, for a server that refuses
// EHLO), the upgrade when STARTTLS is offered, and the sign-in. The password
// never leaves in plain text and never reaches a log: the client shows
// "AUTH PLAIN ********" where the line was sent.
class SmtpSession {
public:
    // One reply: its code (-1 when the last line starts with no number), its
    // lines (each cut to MaxKeptLength, which holds any extension's line) and the whole last line.
    struct Reply {
        int code = -1;
        QStringList lines;
        QString text;
        bool succeeded() const { return code >= 200 && code < 300; }
    };

    // What a client does on its own connection for the session.
    class Line {
    public:
        virtual ~Line() = default;
        // Reads the greeting and fails as the client does for a refusing one.
        virtual void readGreeting() = 0;
        // Sends `command` and reads its reply; the client's log shows `shown` for the line.
        virtual Reply exchange(const QString& command, const QString& shown) = 0;
        // Encrypts the connection, checking the certificate for `host`; a
        // failure ends the connection and is thrown with the reason.
        virtual void upgrade(const QString& host) = 0;
        virtual bool secured() const = 0;
        // The client's greeting for a server that refused EHLO.
        virtual void helloFallback() = 0;
        // Fails with the server's refusal.
        [[noreturn]] virtual void refuseWith(const Reply& reply) = 0;
        // Fails with a text of the session's own. With `drop` the connection
        // goes at once, without another word in plain text.
        [[noreturn]] virtual void failWith(int number, const QString& text, bool drop) = 0;
        // The session's own information, for the client's log.
        virtual void note(const QString& text) = 0;
    };

    struct Account {
        QString host; // as the user gave it: the name the certificate is checked for
        quint16 port = 0;
        QString helloName;
        QString userName;
        QString password;
        bool requireEncryption = false;
    };

    // The session's own failures.
    static constexpr int NoEncryption = 57036;
    static constexpr int NoSignInMethod = 57037;
    static constexpr qsizetype MaxKeptLength = 1000;

    static QString noEncryptionText() { return QStringLiteral("The mail server does not offer encryption"); }
    static QString passwordNotSentText()
    {
        return QStringLiteral("The mail server does not offer encryption; the password is not sent");
    }
    // What a log shows for a line that carries the password.
    static QString mask() { return QStringLiteral("********"); }

    // The port whose connections are encrypted from the first byte ("smtps",
    // 465). Tests that cannot listen there name their own port instead; 0 restores 465.
    static quint16 implicitTlsPort();
    static void setImplicitTlsPort(quint16 port);

    SmtpSession(Line& line, Account account);

    // Runs the opening on a fresh connection; afterwards the envelope may start.
    void open();

    // The keywords an EHLO reply offers (upper case, each once), and the sign-in mechanisms.
    struct Extensions {
        QStringList keywords;
        QStringList authMechanisms;
    };
    static Extensions extensionsOf(const Reply& reply);

private:
    // EHLO's reply; the extensions when it succeeded.
    Reply ehlo(Extensions& extensions);
    void startTls(Extensions& extensions);
    // Fails on a plain connection when encryption is demanded or a password would go.
    void refuseUnencrypted();
    void signIn(const Extensions& extensions);
    void signInLogin();

    Line& m_line;
    Account m_account;
};
