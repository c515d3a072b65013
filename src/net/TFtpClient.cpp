#include "net/TFtpClient.h"

#include "net/CDataInterface.h"
#include "net/TlsSupport.h"
#include "net/WaitFor.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {

QString busyText()
{
    return QStringLiteral("Busy performing current action.");
}

QString unexpectedText()
{
    return QStringLiteral("Unexpected server reply.");
}

QString noEncryptionText()
{
    return QStringLiteral("The FTP server does not offer encryption");
}

// Telnet "interrupt process" and "data mark", sent urgent ahead of "ABOR".
const QByteArray urgentAbort("\xFF\xF4\xFF\xF2", 4);

// Unwinds a transfer from inside a data handler to where it is reported.
struct LocalWriteFailed {};
struct ListingLineTooLong {};

} // namespace

TFtpClient::TFtpClient(QObject* parent) : CIPPortMsg(parent) {}

TFtpClient::~TFtpClient() = default;

std::unique_ptr<CDataInterface> TFtpClient::createDataInterface()
{
    return std::make_unique<CDataInterface>(*this);
}

CDataInterface& TFtpClient::data()
{
    // Made at first use: a subclass's factory is not called from the constructor.
    if (!m_data)
        m_data = createDataInterface();
    return *m_data;
}

void TFtpClient::connectionLost()
{
    // While an action waits, the wait hears of it and fails the action.
    if (m_busy || !m_controlOpen)
        return;
    if (OnError)
        OnError(*this, ConnectError, QStringLiteral("Disconnected: ") + ErrorText(0));
    closeControl();
}

void TFtpClient::trail(int direction, const QString& message)
{
    if (OnFirePITrail)
        OnFirePITrail(*this, direction, message);
}

void TFtpClient::raise(int code, const QString& text)
{
    m_lastErrorCode = code;
    m_lastErrorText = text;
    throw ESocketError(code, text);
}

void TFtpClient::fault(int code, const QString& text)
{
    if (OnError)
        OnError(*this, code, text);
    throw ESocketError(code, text);
}

void TFtpClient::localFault(int code, const QString& text, bool tell)
{
    // A reset, not a close: the server must not take what it got for the whole file.
    data().abandon();
    if (tell && OnError)
        OnError(*this, code, text);
    if (m_pendingReply) {
        try {
            expectReply();
        } catch (const EIPPortError&) {
            throw;
        } catch (const ESocketError&) {
            // The server's refusal of the broken transfer is expected.
        }
    }
    throw ESocketError(code, text);
}

void TFtpClient::setAction(TFtpActions action)
{
    switch (action) {
    case ftpIdle: return;
    case ftpAbort: abortAction(); return;
    case ftpLogon: perform(action, [this] { logon(); }); return;
    case ftpLogoff: perform(action, [this] { logoff(); }); return;
    case ftpDownload: perform(action, [this] { download(); }); return;
    case ftpUpload: perform(action, [this] { upload(); }); return;
    case ftpDeleteFile:
        perform(action, [this] {
            ensureLogon();
            command(QStringLiteral("DELE"), m_remoteFile);
        });
        return;
    case ftpRenameFile:
        perform(action, [this] {
            ensureLogon();
            command(QStringLiteral("RNFR"), m_remoteFile);
            command(QStringLiteral("RNTO"), m_altFile);
        });
        return;
    case ftpListDirectory: perform(action, [this] { list(QStringLiteral("NLST")); }); return;
    case ftpListDirectoryLong: perform(action, [this] { list(QStringLiteral("LIST")); }); return;
    case ftpMakeDirectory:
        perform(action, [this] {
            ensureLogon();
            command(QStringLiteral("MKD"), m_remoteFile);
        });
        return;
    case ftpRemoveDirectory:
        perform(action, [this] {
            ensureLogon();
            command(QStringLiteral("RMD"), m_remoteFile);
        });
        return;
    }
}

void TFtpClient::perform(TFtpActions action, const std::function<void()>& body)
{
    if (m_busy)
        raise(BusyError, busyText());
    m_busy = true;
    m_action = action;
    m_stopReason = StopReason::None;
    m_aborSent = false;
    setStopped(false);
    struct Leave {
        TFtpClient& client;
        ~Leave()
        {
            client.m_busy = false;
            client.m_action = ftpIdle;
            client.m_stopReason = StopReason::None;
            client.m_aborSent = false;
            client.setStopped(false);
        }
    } leave{*this};

    try {
        body();
        // An abort that came after the last wait still ends the action.
        if (m_stopReason != StopReason::None)
            throw EIPPortError(EIPPortError::Stopped);
    } catch (const EIPPortError& error) {
        const ESocketError failure = failureOf(&error);
        raise(failure.number(), failure.text());
    } catch (const ESocketError& error) {
        const ESocketError failure = m_stopReason != StopReason::None ? failureOf(nullptr) : error;
        data().abandon();
        raise(failure.number(), failure.text());
    } catch (...) {
        // A handler's own exception: the transfer cannot go on without it.
        data().abandon();
        throw;
    }
}

ESocketError TFtpClient::failureOf(const EIPPortError* error)
{
    const ESocketError interrupted(Interrupted, QStringLiteral("Interrupted"));
    data().abandon();
    switch (m_stopReason) {
    case StopReason::Abort:
        endAbort();
        // Stopped while connecting or logging on: nothing is left to go on with.
        if (!isConnected() || !m_loggedOn)
            closeControl();
        return interrupted;
    case StopReason::Interrupt: return interrupted;
    case StopReason::None: break;
    }
    switch (error ? error->kind() : EIPPortError::Stopped) {
    case EIPPortError::Stopped: return interrupted;
    case EIPPortError::Quit:
        // The program is leaving its event loops: nothing more would be heard.
        closeControl();
        return interrupted;
    case EIPPortError::TimedOut:
        closeControl();
        return ESocketError(TimedOutError, QStringLiteral("Timed out."));
    case EIPPortError::TooLong:
        // What else the server sends cannot be told apart from this reply.
        closeControl();
        return ESocketError(ReplyError, QStringLiteral("Server reply too long."));
    case EIPPortError::Closed:
    case EIPPortError::Failed: break;
    }
    const QString text = u"Disconnected: " + error->text();
    if (OnError)
        OnError(*this, ConnectError, text);
    closeControl();
    return interrupted;
}

void TFtpClient::endAbort()
{
    data().abandon();
    setStopped(false);
    if (!m_aborSent)
        return;
    m_aborSent = false;
    // The command in progress gets its answer first (426 for a broken transfer),
    // then "ABOR" its own.
    try {
        if (m_pendingReply) {
            try {
                // 225 answers "ABOR" when no transfer had begun: no other answer follows.
                if (expectReply() == 225)
                    return;
            } catch (const EIPPortError&) {
                throw;
            } catch (const ESocketError&) {
            }
        }
        m_reply.restart();
        m_pendingReply = true;
        // A server whose transfer never began may answer "ABOR" alone, which
        // was read above; a second answer is not waited for long.
        struct ShortWait {
            int& wait;
            ~ShortWait() { wait = 0; }
        } shortWait{m_shortWait = AbortReplySeconds};
        expectReply(false, true);
    } catch (const EIPPortError&) {
        // Where the replies stand is unknown now.
        closeControl();
    } catch (const ESocketError&) {
        // A server that refuses "ABOR" has still stopped the transfer.
    }
}

void TFtpClient::sendAbortSignal()
{
    // Urgent bytes go past the TLS layer straight onto the line, where they
    // would break the encrypted stream; an encrypted session sends ABOR alone.
    if (!isEncrypted())
        sendUrgent(urgentAbort);
}

void TFtpClient::abortAction()
{
    if (m_busy) {
        if (m_stopReason != StopReason::None)
            return;
        m_stopReason = StopReason::Abort;
        if (isConnected()) {
            trail(0, QStringLiteral("ABOR"));
            sendAbortSignal();
            try {
                // Queued only: this runs inside a handler, and the action in progress reads the replies.
                post("ABOR\r\n");
                m_aborSent = true;
            } catch (const ESocketError&) {
            }
        }
        setStopped(true);
        wakeWaits();
        return;
    }
    if (!isConnected())
        return;
    perform(ftpAbort, [this] {
        trail(0, QStringLiteral("ABOR"));
        sendAbortSignal();
        m_reply.restart();
        sendLine(QStringLiteral("ABOR"));
        m_pendingReply = true;
        expectReply(false, true);
    });
}

void TFtpClient::Interrupt()
{
    if (m_busy) {
        m_stopReason = StopReason::Interrupt;
        setStopped(true);
    }
    closeControl();
    wakeWaits();
}

void TFtpClient::closeControl()
{
    data().abandon();
    m_pendingReply = false;
    m_loggedOn = false;
    m_dataProtected = false;
    // A failed handshake has reset the connection already; it still ends here.
    if (hasConnection())
        close();
    if (m_controlOpen) {
        m_controlOpen = false;
        trail(2, QStringLiteral("Disconnected."));
    }
}

int TFtpClient::command(const QString& verb, const QString& argument, bool preliminaryEnds)
{
    const QString line = argument.isEmpty() ? verb : verb + u' ' + argument;
    // A line break in a name would let it smuggle in a command of its own.
    if (line.contains(u'\r') || line.contains(u'\n'))
        throw ESocketError(10022, ErrorText(10022));
    trail(0, verb == u"PASS" ? QStringLiteral("PASS ********") : line);
    m_reply.restart();
    sendLine(line);
    m_pendingReply = true;
    return expectReply(preliminaryEnds);
}

int TFtpClient::expectReply(bool preliminaryEnds, bool afterAbort)
{
    bool brokenTransferHeard = false;
    for (;;) {
        const int code = receiveReply();
        const QChar first = m_replyText.isEmpty() ? QChar() : m_replyText.front();
        if (first == u'1') {
            if (preliminaryEnds)
                return code;
            continue;
        }
        m_pendingReply = false;
        if (first == u'2' || first == u'3')
            return code;
        if (afterAbort && code == 426 && !brokenTransferHeard) {
            // The transfer's own answer; the answer to "ABOR" follows.
            brokenTransferHeard = true;
            m_pendingReply = true;
            continue;
        }
        throw ESocketError(ReplyError, m_replyText.isEmpty() ? unexpectedText() : m_replyText);
    }
}

int TFtpClient::receiveReply()
{
    const QString line = m_reply.read(*this);
    m_replyCode = FtpReplyReader::codeOf(line);
    m_replyText = line;
    return m_replyCode;
}

QString TFtpClient::replyLine()
{
    const QString line = readLine(MaxReplyLineLength);
    trail(1, line);
    return line;
}

void TFtpClient::logon()
{
    m_loggedOn = false;
    if (!isConnected()) {
        trail(2, QStringLiteral("Connecting to FTP server."));
        // Only a connection that may be encrypted gets a TLS socket: plain FTP stays as it always was.
        setTlsCapable(m_tls != ftpTlsNone);
        m_dataProtected = false;
        try {
            connectTo(m_remoteHost, m_remotePort);
        } catch (const EIPPortError& error) {
            if (error.kind() != EIPPortError::Closed && error.kind() != EIPPortError::Failed)
                throw;
            reset();
            fault(ConnectError, u"Failed to connect: " + error.text());
        }
        m_controlOpen = true;
        trail(2, QStringLiteral("Connected."));
        m_reply.restart();
        m_pendingReply = true;
        try {
            expectReply();
        } catch (const EIPPortError&) {
            throw;
        } catch (const ESocketError&) {
            // A server that turns the client away at once will not take a logon later.
            closeControl();
            // Its refusal is the reason, not an abort a handler made of the close.
            m_stopReason = StopReason::None;
            setStopped(false);
            throw;
        }
        if (m_tls != ftpTlsNone)
            secureControl();
    } else if (m_tls == ftpTlsRequired && !isEncrypted()) {
        // A control connection left plain by an earlier logon carries no password when encryption is required.
        fault(ReplyError, noEncryptionText());
    }
    // A server content with the user name alone has logged on already.
    if (m_user.isEmpty() || command(QStringLiteral("USER"), m_user) / 100 != 2)
        command(QStringLiteral("PASS"), m_password);
    if (isEncrypted() && !m_dataProtected)
        protectData();
    m_loggedOn = true;
    if (m_transferMode != tmDefault)
        sendType(m_transferMode);
}

void TFtpClient::secureControl()
{
    int code = 0;
    try {
        code = command(QStringLiteral("AUTH"), QStringLiteral("TLS"));
    } catch (const EIPPortError&) {
        throw;
    } catch (const ESocketError&) {
        // Refused: the server speaks no TLS, or not now.
    }
    if (code != 234) {
        // The name and the password must not go in plain text to a site that wants them encrypted.
        if (m_tls == ftpTlsRequired)
            refuseLogon(ReplyError, noEncryptionText(), true);
        trail(2, QStringLiteral("The FTP server does not offer encryption: going on unencrypted."));
        return;
    }
    try {
        startTls(m_remoteHost);
    } catch (const EIPPortError& error) {
        // A wait that was stopped or timed out ends as any other wait does.
        if (error.kind() != EIPPortError::Failed)
            throw;
        // The connection is reset already: nothing more goes to the server, in plain text or not.
        const QString text = error.number() == Tls::Failed
            ? error.text()
            : Tls::failureText(u"handshake failed: " + error.text(), m_remoteHost);
        refuseLogon(Tls::Failed, text, false);
    }
    trail(2, QStringLiteral("Connection encrypted."));
}

void TFtpClient::protectData()
{
    try {
        command(QStringLiteral("PBSZ"), QStringLiteral("0"));
        command(QStringLiteral("PROT"), QStringLiteral("P"));
        m_dataProtected = true;
        return;
    } catch (const EIPPortError&) {
        throw;
    } catch (const ESocketError&) {
    }
    // The files themselves would go in plain text.
    if (m_tls == ftpTlsRequired)
        refuseLogon(ReplyError, noEncryptionText() + QStringLiteral(" of the data connection"), true);
    trail(2, QStringLiteral("The FTP server does not encrypt data connections: they go unencrypted."));
}

void TFtpClient::refuseLogon(int code, const QString& text, bool quit)
{
    if (quit && isConnected()) {
        try {
            command(QStringLiteral("QUIT"));
        } catch (const ESocketError&) {
            // The connection closes all the same.
        }
    }
    closeControl();
    // The refusal is the reason, not an abort a handler made of the close.
    m_stopReason = StopReason::None;
    setStopped(false);
    fault(code, text);
}

void TFtpClient::ensureLogon()
{
    if (!isConnected() || !m_loggedOn)
        logon();
}

void TFtpClient::logoff()
{
    if (!hasConnection())
        return;
    if (isConnected()) {
        try {
            command(QStringLiteral("QUIT"));
        } catch (const ESocketError&) {
            trail(2, QStringLiteral("Forcing disconnection from FTP server."));
        }
    }
    closeControl();
}

void TFtpClient::sendType(TTransferMode mode)
{
    command(QStringLiteral("TYPE"), mode == tmASCII ? QStringLiteral("A") : QStringLiteral("I"));
}

QString TFtpClient::RemotePath()
{
    if (m_busy || !isConnected())
        return m_remotePath;
    perform(ftpIdle, [this] {
        command(QStringLiteral("PWD"));
        QString path = m_replyText.mid(5);
        const qsizetype quote = path.indexOf(u'"');
        if (quote >= 0)
            path.truncate(quote);
        m_remotePath = path;
    });
    return m_remotePath;
}

void TFtpClient::setRemotePath(const QString& path)
{
    if (m_busy)
        raise(BusyError, busyText());
    if (!isConnected()) {
        m_remotePath = path;
        return;
    }
    perform(ftpIdle, [this, path] {
        if (path == u"..")
            command(QStringLiteral("CDUP"));
        else
            command(QStringLiteral("CWD"), path);
        m_remotePath = path;
    });
}

void TFtpClient::setTransferMode(TTransferMode mode)
{
    if (mode != tmDefault && mode != tmASCII && mode != tmBinary)
        raise(ReplyError, QStringLiteral("Invalid Transfermode value"));
    if (m_busy)
        raise(BusyError, busyText());
    if (mode != tmDefault && isConnected())
        perform(ftpIdle, [this, mode] { sendType(mode); });
    m_transferMode = mode;
}

void TFtpClient::onData(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const EIPPortError& error) {
        if (error.kind() != EIPPortError::Closed && error.kind() != EIPPortError::Failed)
            throw;
        data().abandon();
        if (error.number() == Tls::Failed) {
            // The certificate or the handshake of the data connection is the
            // reason; the server's answer to the broken transfer says less.
            // A server that still waits for the data is not waited for long.
            if (m_pendingReply) {
                struct ShortWait {
                    int& wait;
                    ~ShortWait() { wait = 0; }
                } shortWait{m_shortWait = AbortReplySeconds};
                try {
                    expectReply();
                } catch (const EIPPortError& lost) {
                    if (lost.kind() == EIPPortError::Stopped || lost.kind() == EIPPortError::Quit)
                        throw;
                    // Where the replies stand is unknown now.
                    closeControl();
                    m_stopReason = StopReason::None;
                    setStopped(false);
                } catch (const ESocketError&) {
                }
            }
            throw ESocketError(error.number(), error.text());
        }
        // The server's refusal says more than the broken connection does.
        if (m_pendingReply)
            expectReply();
        if (error.kind() == EIPPortError::Closed)
            throw ESocketError(SocketErrors::ConnectionReset, ErrorText(SocketErrors::ConnectionReset));
        throw ESocketError(error.number(), error.text());
    }
}

quint16 TFtpClient::passivePort()
{
    command(QStringLiteral("PASV"));
    if (m_replyCode != 227)
        fault(ReplyError, unexpectedText());
    const auto address = FtpReplyReader::passiveAddress(m_replyText);
    const quint16 port = address ? address->port : quint16(0);
    if (port == 0)
        fault(ReplyError, unexpectedText());
    return port;
}

void TFtpClient::transfer(const QString& verb, const QString& argument, bool restart,
                          const std::function<void()>& move)
{
    data().setProtection(m_dataProtected && isEncrypted(), m_remoteHost);
    if (m_passive) {
        const quint16 port = passivePort();
        // The announced address is not used: the data goes to the server the
        // control connection reached, so no reply can steer it anywhere else.
        onData([this, port] { data().openPassive(port); });
    } else {
        QString address;
        onData([this, &address] { address = data().openActive(); });
        command(QStringLiteral("PORT"), address);
    }
    if (restart && m_startByte > 0)
        command(QStringLiteral("REST"), QString::number(m_startByte));
    if (command(verb, argument, true) / 100 != 1) {
        // Done without any data.
        data().abandon();
        return;
    }
    onData([this] { data().awaitConnection(); });
    // What finish() kept of an encrypted connection goes on every way out, refusals and aborts too.
    struct Release {
        CDataInterface& data;
        ~Release() { data.release(); }
    } release{data()};
    move();
    expectReply();
}

void TFtpClient::upload()
{
    if (m_localFile.isEmpty())
        throw ESocketError(LocalFileError, QStringLiteral("Please specify a local file for upload."));
    {
        QFile probe(m_localFile);
        if (QFileInfo(m_localFile).isDir() || !probe.open(QIODevice::ReadOnly))
            throw ESocketError(LocalFileError, QStringLiteral("Error reading from local file."));
    }
    ensureLogon();
    transfer(QStringLiteral("STOR"), m_remoteFile, true, [this] {
        QFile file(m_localFile);
        if (!file.open(QIODevice::ReadOnly))
            localFault(LocalFileError, QStringLiteral("Error opening local file."));
        const qint64 size = file.size();
        const qint64 start = std::max<qint64>(m_startByte, 0);
        if (start > size || (start > 0 && !file.seek(start)))
            localFault(TransferError, QStringLiteral("Error starting local file."));
        if (OnStartTransfer)
            OnStartTransfer(*this);
        auto result = CDataInterface::SendResult::Sent;
        onData([&] {
            result = data().sendFile(file, size - start, [this](qint64 total) {
                if (OnTransfer)
                    OnTransfer(*this, total, QByteArray());
            });
        });
        // A file that cannot be read to its end must not be reported as sent.
        if (result != CDataInterface::SendResult::Sent)
            localFault(TransferError, QStringLiteral("Error reading from local file."));
        file.close();
        data().finish();
        if (OnEndTransfer)
            OnEndTransfer(*this);
    });
}

void TFtpClient::download()
{
    ensureLogon();
    transfer(QStringLiteral("RETR"), m_remoteFile, true, [this] {
        qint64 total = 0;
        if (m_localFile.isEmpty()) {
            if (OnStartTransfer)
                OnStartTransfer(*this);
            onData([&] {
                data().receive([&](const QByteArray& piece) {
                    total += piece.size();
                    if (OnTransfer)
                        OnTransfer(*this, total, piece);
                });
            });
        } else {
            // A fresh download replaces the file only when whole; a resumed one
            // continues the part already there.
            const qint64 start = std::max<qint64>(m_startByte, 0);
            std::unique_ptr<QFileDevice> file;
            if (start > 0)
                file = std::make_unique<QFile>(m_localFile);
            else
                file = std::make_unique<QSaveFile>(m_localFile);
            if (!file->open(start > 0 ? QIODevice::ReadWrite : QIODevice::WriteOnly))
                localFault(LocalFileError, QStringLiteral("Error opening local file."));
            if (start > 0 && (start > file->size() || !file->seek(start) || !file->resize(start)))
                localFault(TransferError, QStringLiteral("Error starting local file."));
            if (OnStartTransfer)
                OnStartTransfer(*this);
            try {
                onData([&] {
                    data().receive([&](const QByteArray& piece) {
                        if (file->write(piece) != piece.size())
                            throw LocalWriteFailed();
                        total += piece.size();
                        if (OnTransfer)
                            OnTransfer(*this, total, QByteArray());
                    });
                });
            } catch (const LocalWriteFailed&) {
                localFault(TransferError, QStringLiteral("Error writing to local file."));
            }
            // A save file closes by committing; a plain one is flushed, then closed.
            if (auto* saved = dynamic_cast<QSaveFile*>(file.get())) {
                if (!saved->commit())
                    localFault(TransferError, QStringLiteral("Error closing local file."));
            } else {
                if (!file->flush())
                    localFault(TransferError, QStringLiteral("Error closing local file."));
                file->close();
            }
        }
        data().finish();
        if (OnEndTransfer)
            OnEndTransfer(*this);
    });
}

void TFtpClient::list(const QString& verb)
{
    ensureLogon();
    transfer(verb, m_remoteFile, false, [this] {
        if (OnStartTransfer)
            OnStartTransfer(*this);
        QByteArray pending;
        const auto entry = [this](QByteArray line) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.size() > MaxReplyLineLength)
                throw ListingLineTooLong();
            if (OnDirList)
                OnDirList(*this, QString::fromLatin1(line));
        };
        try {
            onData([&] {
                data().receive([&](const QByteArray& piece) {
                    pending += piece;
                    qsizetype start = 0;
                    for (qsizetype end; (end = pending.indexOf('\n', start)) >= 0; start = end + 1)
                        entry(pending.mid(start, end - start));
                    pending.remove(0, start);
                    if (pending.size() > MaxReplyLineLength + 1)
                        throw ListingLineTooLong();
                });
            });
            if (!pending.isEmpty())
                entry(pending);
        } catch (const ListingLineTooLong&) {
            localFault(ReplyError, QStringLiteral("Server reply too long."), false);
        }
        data().finish();
        if (OnEndTransfer)
            OnEndTransfer(*this);
    });
}
