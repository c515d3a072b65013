#include "net/TPlainSMTP.h"

#include <QHostInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace SocketErrors;

namespace {

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

// The address of "Name <address>", or the whole text without angle brackets.
QString addressOf(const QString& text)
{
    const qsizetype open = text.indexOf(u'<');
    if (open >= 0) {
        const qsizetype close = text.indexOf(u'>', open + 1);
        if (close > open)
            return text.mid(open + 1, close - open - 1).trimmed();
    }
    return text.trimmed();
}

QStringList nonEmpty(const QStringList& list)
{
    QStringList kept;
    for (const QString& item : list) {
        if (!item.trimmed().isEmpty())
            kept << item;
    }
    return kept;
}

// A line break inside a header or a command would let it carry lines of its own.
void refuseLineBreak(const QString& text, const QString& what)
{
    if (hasLineBreak(text))
        throw ESocketError(10022, u"A line break is not allowed in the " + what + u'.');
}

void refuseLineBreaks(const QStringList& list, const QString& what)
{
    for (const QString& item : list)
        refuseLineBreak(item, what);
}

} // namespace

TPlainSMTP::TPlainSMTP(QObject* parent) : CIPPortMsg(parent)
{
    setTlsCapable(true);
}

TPlainSMTP::~TPlainSMTP() = default;

void TPlainSMTP::trail(int direction, const QString& message)
{
    if (OnPITrail)
        OnPITrail(*this, direction, message);
}

void TPlainSMTP::setAction(TSmtpActions action)
{
    switch (action) {
    case smtpIdle: return;
    case smtpConnect: perform(action, &TPlainSMTP::ensureConnected); return;
    case smtpDisconnect: perform(action, &TPlainSMTP::disconnectServer); return;
    case smtpSend: perform(action, &TPlainSMTP::sendMessage); return;
    case smtpResetHeaders: perform(action, &TPlainSMTP::resetHeaders); return;
    case smtpCommand: perform(action, &TPlainSMTP::sendCommand); return;
    }
}

void TPlainSMTP::perform(TSmtpActions action, void (TPlainSMTP::*body)())
{
    if (m_busy)
        throw ESocketError(Busy);
    m_busy = true;
    m_action = action;
    struct Leave {
        TPlainSMTP& client;
        ~Leave()
        {
            client.m_busy = false;
            client.m_action = smtpIdle;
        }
    } leave{*this};

    try {
        (this->*body)();
    } catch (const EIPPortError& error) {
        // Where the replies stand is unknown now: nothing more can be said on this connection.
        close();
        failFor(error);
    } catch (const ESocketError& error) {
        // A refused command leaves the session as it was; a half-sent mail does not.
        if (action != smtpCommand || error.number() != ReplyError)
            close();
        throw;
    }
}

void TPlainSMTP::failFor(const EIPPortError& error)
{
    switch (error.kind()) {
    case EIPPortError::Stopped:
    case EIPPortError::Quit: throw ECanceledError();
    case EIPPortError::TimedOut: throw ESocketError(TimedOut);
    case EIPPortError::TooLong: throw ESocketError(ReplyTooLong);
    case EIPPortError::Closed: throw ESocketError(ClosedEarly);
    case EIPPortError::Failed: break;
    }
    throw ESocketError(error.number(), error.text());
}

QString TPlainSMTP::readReply()
{
    const SmtpSession::Reply reply = readAnyReply();
    const QChar first = reply.text.isEmpty() ? QChar() : reply.text.front();
    if (first == u'2' || first == u'3')
        return reply.text;
    throw ESocketError(ReplyError, reply.text);
}

SmtpSession::Reply TPlainSMTP::readAnyReply()
{
    SmtpSession::Reply reply;
    // Preliminary replies count with the final one: a server cannot keep the client reading forever.
    for (int lines = 1; lines <= MaxReplyLines; ++lines) {
        const QString line = readLine(MaxReplyLineLength);
        trail(1, line);
        reply.lines.append(line.left(SmtpSession::MaxKeptLength));
        if (line.size() >= 4 && line.at(3) == u'-')
            continue;
        if (line.startsWith(u'1'))
            continue;
        bool numeric = line.size() >= 3;
        for (qsizetype i = 0; numeric && i < 3; ++i)
            numeric = line.at(i) >= u'0' && line.at(i) <= u'9';
        reply.code = numeric ? line.left(3).toInt() : -1;
        reply.text = line;
        return reply;
    }
    throw EIPPortError(EIPPortError::TooLong);
}

SmtpSession::Reply TPlainSMTP::exchange(const QString& command, const QString& shown)
{
    trail(0, shown);
    sendLine(command);
    return readAnyReply();
}

void TPlainSMTP::upgrade(const QString& host)
{
    startTls(host);
    trail(2, QStringLiteral("The connection is encrypted."));
}

void TPlainSMTP::helloFallback()
{
    const QString name = QHostInfo::localHostName();
    command(u"HELO " + (name.isEmpty() ? QStringLiteral("localhost") : name));
}

void TPlainSMTP::refuseWith(const SmtpSession::Reply& reply)
{
    throw ESocketError(ReplyError, reply.text);
}

void TPlainSMTP::failWith(int number, const QString& text, bool drop)
{
    trail(2, text);
    // After an upgrade gone wrong nothing more goes out in plain text.
    if (drop)
        reset();
    throw ESocketError(number, text);
}

QString TPlainSMTP::command(const QString& line)
{
    trail(0, line);
    sendLine(line);
    return readReply();
}

void TPlainSMTP::connectServer()
{
    // "host:port" names its own port.
    const auto server = splitServer(m_mailServer.trimmed(), m_mailPort);
    if (!server)
        throw ESocketError(10022, u"Invalid mail server: " + m_mailServer);
    const auto& [host, port] = *server;
    if (host.isEmpty())
        throw ESocketError(ServerRequired);
    trail(2, QStringLiteral("Connecting to mail server."));
    connectTo(host, port);
    SmtpSession::Account account;
    account.host = host;
    account.port = port;
    const QString name = QHostInfo::localHostName();
    account.helloName = name.isEmpty() ? QStringLiteral("localhost") : name;
    account.userName = UserName;
    account.password = Password;
    account.requireEncryption = RequireEncryption;
    try {
        SmtpSession(*this, account).open();
    } catch (...) {
        // A session that did not open leaves no connection behind: a later
        // action would otherwise take it for one that did, encryption and sign-in included.
        reset();
        throw;
    }
}

void TPlainSMTP::ensureConnected()
{
    if (!isConnected())
        connectServer();
}

void TPlainSMTP::disconnectServer()
{
    if (!hasConnection())
        return;
    try {
        command(QStringLiteral("QUIT"));
    } catch (const ESocketError&) {
        trail(2, QStringLiteral("Forcing disconnection from mail server."));
    }
    close();
}

void TPlainSMTP::resetHeaders()
{
    From.clear();
    ReplyTo.clear();
    SendTo.clear();
    Cc.clear();
    BCc.clear();
    Subject.clear();
    Date.clear();
    MessageText.clear();
    OtherHeaders.clear();
}

void TPlainSMTP::sendCommand()
{
    refuseLineBreak(Command, QStringLiteral("command"));
    ensureConnected();
    command(Command);
}

void TPlainSMTP::sendMessage()
{
    if (From.trimmed().isEmpty())
        throw ESocketError(SenderRequired, QStringLiteral("Please specify a sender (From)."));
    const QStringList to = nonEmpty(SendTo);
    const QStringList cc = nonEmpty(Cc);
    const QStringList recipients = to + cc + nonEmpty(BCc);
    if (recipients.isEmpty())
        throw ESocketError(RecipientRequired, QStringLiteral("Please specify a recipient (To)."));
    refuseLineBreak(From, QStringLiteral("sender"));
    refuseLineBreak(ReplyTo, QStringLiteral("reply address"));
    refuseLineBreak(Subject, QStringLiteral("subject"));
    refuseLineBreak(Date, QStringLiteral("date"));
    refuseLineBreaks(recipients, QStringLiteral("recipients"));
    refuseLineBreaks(OtherHeaders, QStringLiteral("headers"));

    // The name alone in From leaves the reply address as the only mailbox there is.
    QString sender = addressOf(From);
    if (!sender.contains(u'@') && !ReplyTo.trimmed().isEmpty())
        sender = addressOf(ReplyTo);

    QStringList head{u"To: " + to.join(u',')};
    head << u"From: " + From;
    if (!Subject.isEmpty())
        head << u"Subject: " + Subject;
    if (!ReplyTo.isEmpty())
        head << u"Reply-To: " + ReplyTo;
    if (!Date.isEmpty())
        head << u"Date: " + Date;
    if (!cc.isEmpty())
        head << u"Cc: " + cc.join(u',');
    head << OtherHeaders;

    QByteArray data;
    for (const QString& line : std::as_const(head))
        data += line.toLatin1() + "\r\n";
    data += "\r\n";
    // A line of the text that holds breaks of its own is sent as the lines it
    // holds, each stuffed: a lone "." inside it must not end the data.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& text : MessageText) {
        for (const QString& line : text.split(lineBreak)) {
            if (line.startsWith(u'.'))
                data += '.';
            data += line.toLatin1() + "\r\n";
        }
    }
    data += ".\r\n";

    ensureConnected();
    command(QStringLiteral("RSET"));
    command(u"MAIL FROM:<" + sender + u'>');
    for (const QString& recipient : recipients)
        command(u"RCPT TO:<" + addressOf(recipient) + u'>');
    command(QStringLiteral("DATA"));
    send(data);
    readReply();
}
