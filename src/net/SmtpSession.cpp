#include "net/SmtpSession.h"

#include "net/TlsSupport.h"

#include <QByteArray>
#include <QRegularExpression>

#include <utility>

namespace {

constexpr quint16 SmtpsPort = 465;
quint16 implicitPort = SmtpsPort;

QString base64(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

// A server's text quoted in an error of ours: one short line of printable characters.
QString quoted(const QString& text)
{
    QString shown = text.left(100);
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    return shown;
}

} // namespace

quint16 SmtpSession::implicitTlsPort()
{
    return implicitPort;
}

void SmtpSession::setImplicitTlsPort(quint16 port)
{
    implicitPort = port == 0 ? SmtpsPort : port;
}

SmtpSession::SmtpSession(Line& line, Account account) : m_line(line), m_account(std::move(account)) {}

void SmtpSession::open()
{
    if (m_account.port == implicitPort)
        m_line.upgrade(m_account.host);
    m_line.readGreeting();

    Extensions extensions;
    if (!ehlo(extensions).succeeded()) {
        // A server that knows no EHLO offers neither encryption nor sign-in:
        // nothing but its old greeting is said to it, and only when neither is needed.
        refuseUnencrypted();
        m_line.helloFallback();
        if (!m_account.userName.isEmpty())
            m_line.note(QStringLiteral("The mail server does not offer sign-in; the mail goes without it."));
        return;
    }
    if (!m_line.secured() && extensions.keywords.contains(u"STARTTLS"))
        startTls(extensions);
    refuseUnencrypted();
    if (!m_account.userName.isEmpty())
        signIn(extensions);
}

void SmtpSession::refuseUnencrypted()
{
    if (m_line.secured())
        return;
    if (m_account.requireEncryption)
        m_line.failWith(NoEncryption, noEncryptionText(), true);
    if (!m_account.userName.isEmpty())
        m_line.failWith(NoEncryption, passwordNotSentText(), true);
}

SmtpSession::Reply SmtpSession::ehlo(Extensions& extensions)
{
    const Reply reply = m_line.exchange(u"EHLO " + m_account.helloName, u"EHLO " + m_account.helloName);
    if (reply.succeeded())
        extensions = extensionsOf(reply);
    return reply;
}

void SmtpSession::startTls(Extensions& extensions)
{
    const Reply reply = m_line.exchange(QStringLiteral("STARTTLS"), QStringLiteral("STARTTLS"));
    if (reply.code == 220) {
        m_line.upgrade(m_account.host);
        // What the server offered in plain text may have been forged: only the
        // encrypted answer counts.
        const Reply again = ehlo(extensions);
        if (!again.succeeded())
            m_line.refuseWith(again);
        return;
    }
    if (reply.code >= 400 && reply.code < 600) {
        // The server declined: without a demand for encryption or a password
        // to protect, the mail goes as it always went.
        if (m_account.requireEncryption || !m_account.userName.isEmpty())
            m_line.refuseWith(reply);
        m_line.note(u"The mail server declined encryption: " + reply.text);
        return;
    }
    // Anything else is no answer a server gives; whoever sent it may sit on the line.
    m_line.failWith(Tls::Failed,
                    Tls::failureText(u"the answer to STARTTLS is no reply: " + quoted(reply.text), m_account.host),
                    true);
}

void SmtpSession::signIn(const Extensions& extensions)
{
    if (!extensions.keywords.contains(u"AUTH")) {
        m_line.note(QStringLiteral("The mail server does not offer sign-in; the mail goes without it."));
        return;
    }
    if (extensions.authMechanisms.contains(u"PLAIN")) {
        const QByteArray response = '\0' + m_account.userName.toUtf8() + '\0' + m_account.password.toUtf8();
        const Reply reply = m_line.exchange(u"AUTH PLAIN " + base64(response), u"AUTH PLAIN " + mask());
        if (!reply.succeeded())
            m_line.refuseWith(reply);
        return;
    }
    if (extensions.authMechanisms.contains(u"LOGIN")) {
        signInLogin();
        return;
    }
    m_line.failWith(NoSignInMethod,
                    u"The mail server offers no sign-in method this program knows: "
                        + quoted(extensions.authMechanisms.join(u' ')),
                    false);
}

void SmtpSession::signInLogin()
{
    Reply reply = m_line.exchange(QStringLiteral("AUTH LOGIN"), QStringLiteral("AUTH LOGIN"));
    if (reply.code != 334)
        m_line.refuseWith(reply);
    reply = m_line.exchange(base64(m_account.userName.toUtf8()), mask());
    if (reply.code != 334)
        m_line.refuseWith(reply);
    reply = m_line.exchange(base64(m_account.password.toUtf8()), mask());
    if (!reply.succeeded())
        m_line.refuseWith(reply);
}

SmtpSession::Extensions SmtpSession::extensionsOf(const Reply& reply)
{
    static const QRegularExpression space(QStringLiteral("[ \t]+"));
    Extensions extensions;
    // The first line greets; each one after it names an extension and its parameters.
    for (qsizetype i = 1; i < reply.lines.size(); ++i) {
        const QString text = reply.lines.at(i).mid(4).trimmed().toUpper();
        QStringList words = text.split(space, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        QString keyword = words.takeFirst();
        // Old servers write "AUTH=LOGIN PLAIN".
        if (keyword.startsWith(u"AUTH=")) {
            words.prepend(keyword.mid(5));
            keyword = QStringLiteral("AUTH");
        }
        if (!extensions.keywords.contains(keyword))
            extensions.keywords.append(keyword);
        if (keyword == u"AUTH") {
            for (const QString& word : std::as_const(words)) {
                if (!word.isEmpty() && !extensions.authMechanisms.contains(word))
                    extensions.authMechanisms.append(word);
            }
        }
    }
    return extensions;
}
