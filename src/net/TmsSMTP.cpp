#include "net/TmsSMTP.h"

#include "net/ESocketError.h"
#include "net/TmsComposer.h"
#include "net/TmsMessage.h"

#include <QDir>
#include <QTemporaryFile>

#include <utility>

using namespace SocketErrors;

namespace {

// Keeps OnError quiet for a step whose failure the caller is not to hear of.
class QuietErrors {
public:
    explicit QuietErrors(TagSocket& socket) : m_socket(socket), m_saved(std::exchange(socket.OnError, nullptr)) {}
    ~QuietErrors() { m_socket.OnError = std::move(m_saved); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    TagSocket& m_socket;
    std::function<void(TagSocket&, const QString&)> m_saved;
};

} // namespace

TmsSMTP::TmsSMTP(QObject* parent) : TagSocket(parent)
{
    setServiceName(QStringLiteral("smtp"));
    setDefaultPort(25);
    setTimeOut(60);
    setTlsCapable(true);
}

void TmsSMTP::Send()
{
    BusyScope busy(*this);
    m_quitError.clear();
    m_replyText.clear();
    if (!m_logFile.isEmpty()) {
        // The dialogue log is a help for the curious; a send does not fail for it.
        m_log.setFileName(m_logFile);
        m_log.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    struct CloseLog {
        QFile& log;
        ~CloseLog() { log.close(); }
    } closeLog{m_log};

    try {
        openMail();
        sendMessage();
    } catch (...) {
        closeMail(false);
        throw;
    }
    closeMail(true);
}

void TmsSMTP::openMail()
{
    openConnection();
    // The certificate is checked for the host the user wrote, and the port
    // the connection reached decides implicit TLS.
    SmtpSession::Account account;
    account.host = serverHost();
    account.port = peerPort();
    account.helloName = TmsComposer::localHostName();
    account.userName = m_userName;
    account.password = m_password;
    account.requireEncryption = m_requireEncryption;
    SmtpSession(*this, account).open();
}

void TmsSMTP::readGreeting()
{
    const Reply greeting = readReply();
    if (!greeting.succeeded())
        refuse(greeting);
}

TmsSMTP::Reply TmsSMTP::exchange(const QString& command, const QString& shown)
{
    log(shown);
    sendLine(command);
    return readReply();
}

void TmsSMTP::upgrade(const QString& host)
{
    try {
        startTls(host);
    } catch (const ESocketError&) {
        // A handshake that failed in its wait leaves the socket to us: no QUIT goes after it.
        closeConnection();
        throw;
    }
    log(QStringLiteral("The connection is encrypted."));
}

void TmsSMTP::helloFallback()
{
    if (command(u"HELO " + TmsComposer::localHostName()).succeeded())
        return;
    // Some servers take the command only without a name.
    const Reply bare = command(QStringLiteral("HELO"));
    if (!bare.succeeded())
        refuse(bare);
}

void TmsSMTP::failWith(int number, const QString& text, bool drop)
{
    log(text);
    // After an upgrade gone wrong nothing more goes out in plain text, QUIT included.
    if (drop)
        closeConnection();
    throw ESocketError(number, text);
}

void TmsSMTP::checkMessage() const
{
    if (!m_message)
        throw ESocketError(MessageRequired);
    const QString& sender = m_message->Sender().Address();
    if (sender.isEmpty())
        throw ESocketError(SenderRequired);
    QStringList addresses{sender};
    for (const TmsAddressList* list : {&m_message->Recipients(), &m_message->CC(), &m_message->BCC()}) {
        for (const TmsMailAddress& item : list->withAddress())
            addresses.append(item.Address());
    }
    if (addresses.size() == 1)
        throw ESocketError(RecipientRequired);
    for (const QString& address : std::as_const(addresses)) {
        if (!TmsMailAddress::isUsableAddress(address)) {
            QString shown = address;
            for (QChar& c : shown) {
                if (c.unicode() < 0x20)
                    c = u' ';
            }
            throw ESocketError(InvalidAddress, ESocketError::textFor(InvalidAddress) + u": " + shown);
        }
    }
}

void TmsSMTP::sendMessage()
{
    checkMessage();
    if (OnPrepare)
        OnPrepare(*this);
    // Removed when it goes out of scope, whatever happened.
    QTemporaryFile composed(QDir::tempPath() + u"/zentrel-mail-XXXXXX.eml");
    if (!composed.open())
        throw ESocketError(CannotCreateFile, ESocketError::textFor(CannotCreateFile) + u' ' + composed.fileTemplate());
    m_message->SaveToStream(composed);
    if (!composed.flush())
        throw ESocketError(CannotCreateFile, ESocketError::textFor(CannotCreateFile) + u' ' + composed.fileName());

    if (OnSending)
        OnSending(*this);
    const Reply from = command(u"MAIL FROM:<" + m_message->Sender().Address() + u'>');
    if (!from.succeeded())
        refuse(from);
    for (const TmsAddressList* list : {&m_message->Recipients(), &m_message->CC(), &m_message->BCC()}) {
        for (const TmsMailAddress& item : list->withAddress()) {
            const Reply to = command(u"RCPT TO:<" + item.Address() + u'>');
            if (to.succeeded())
                continue;
            bool proceed = false;
            if (OnAddressRejected)
                OnAddressRejected(*this, item.Address(), to.text, proceed);
            if (!proceed)
                refuse(to);
        }
    }
    const Reply data = command(QStringLiteral("DATA"));
    if (data.code / 100 != 3)
        refuse(data);
    sendData(composed);
    const Reply accepted = readReply();
    if (!accepted.succeeded())
        refuse(accepted);
    if (OnMailSent)
        OnMailSent(*this);
}

void TmsSMTP::sendData(QIODevice& data)
{
    const qint64 total = data.size();
    data.seek(0);
    qint64 sent = 0;
    bool atLineStart = true;
    for (;;) {
        const QByteArray block = data.read(DataBlockSize);
        if (block.isEmpty())
            break;
        // A line that begins with a period gets one more, so no line of the
        // text reads as the end of the data. Periods are looked for, not line
        // ends: Base64 has none, and a large file goes in a few copies.
        QByteArray out;
        out.reserve(block.size() + block.size() / 32 + 1);
        const char* text = block.constData();
        qsizetype from = 0;
        for (qsizetype dot; (dot = block.indexOf('.', from)) >= 0; from = dot + 1) {
            out.append(text + from, dot + 1 - from);
            if (dot == 0 ? atLineStart : text[dot - 1] == '\n')
                out += '.';
        }
        out.append(text + from, block.size() - from);
        atLineStart = block.back() == '\n';
        sendBytes(out);
        sent += block.size();
        progress(total > 0 ? int(sent * 100 / total) : 100, sent);
    }
    if (sent != total) {
        // The server still reads data: a QUIT now would be taken as text. The connection goes.
        closeConnection();
        throw ESocketError(CannotOpenFile, ESocketError::textFor(CannotOpenFile) + u' ' + data.errorString());
    }
    // The composed text ends with its line break; the period line ends the data.
    sendBytes(atLineStart ? QByteArrayLiteral(".\r\n") : QByteArrayLiteral("\r\n.\r\n"));
}

void TmsSMTP::closeMail(bool delivered)
{
    if (Connected()) {
        // The send has its outcome already: what the QUIT meets only goes to the log.
        QuietErrors quiet(*this);
        try {
            const Reply quit = command(QStringLiteral("QUIT"));
            if (!quit.succeeded() && delivered)
                m_quitError = quit.text;
        } catch (const ESocketError& e) {
            if (delivered)
                m_quitError = e.text();
        }
        if (!m_quitError.isEmpty())
            log(u"QUIT failed: " + m_quitError);
    }
    closeConnection();
}

TmsSMTP::Reply TmsSMTP::readReply()
{
    Reply reply = SmtpReplyReader::read(*this);
    m_replyText = reply.text;
    return reply;
}

QString TmsSMTP::replyLine()
{
    const QString text = receiveLine(MaxReplyLineLength, ReplyTooLong);
    log(text);
    return text;
}

TmsSMTP::Reply TmsSMTP::command(const QString& text)
{
    log(text);
    sendLine(text);
    return readReply();
}

void TmsSMTP::refuse(const Reply& reply) const
{
    throw ESocketError(reply.code, reply.text);
}

void TmsSMTP::log(const QString& text)
{
    if (m_log.isOpen())
        m_log.write(text.toLatin1() + "\r\n");
}
