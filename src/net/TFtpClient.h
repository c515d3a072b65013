#pragma once

#include "net/CIPPortMsg.h"
#include "net/FtpReplyReader.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <functional>
#include <memory>

class CDataInterface;

// What setting Action does, in this order (the numbers are kept by callers).
enum TFtpActions : int {
    ftpIdle = 0,
    ftpAbort,
    ftpLogon,
    ftpLogoff,
    ftpDownload,
    ftpUpload,
    ftpDeleteFile,
    ftpRenameFile,
    ftpListDirectory,
    ftpListDirectoryLong,
    ftpMakeDirectory,
    ftpRemoveDirectory,
};

// Whether the control and data connections are encrypted ("AUTH TLS").
enum TFtpTls : int {
    ftpTlsNone = 0,       // plain FTP, as always
    ftpTlsWhenOffered,    // encrypted when the server takes "AUTH TLS", plain otherwise
    ftpTlsRequired,       // encrypted, or the logon fails
};

// The representation type of transfers.
enum TTransferMode : int { tmDefault = 0, tmASCII, tmBinary };

// The FTP client: set the properties, then Action. Each action runs to its end
// inside the call, keeping the event loop running while it waits, and tells
// what passes on the control connection through OnFirePITrail. A failed action
// fires nothing more and throws ESocketError with the code and text below.
// An encryption that fails (certificate, handshake) keeps Tls::Failed and the
// text that names the reason and the host.
class TFtpClient : public CIPPortMsg, private FtpReplyReader::Source {
public:
    // The client's own error codes. Socket errors keep their Windows Sockets number.
    static constexpr int ReplyError = 141;     // the server's reply line, or "Unexpected server reply."
    static constexpr int ConnectError = 142;   // "Failed to connect: ...", "Disconnected: ..."
    static constexpr int BusyError = 143;      // "Busy performing current action."
    static constexpr int TransferError = 144;  // reading, seeking, writing a local file mid-transfer
    static constexpr int LocalFileError = 145; // no local file, or it cannot be opened
    static constexpr int Interrupted = 301;    // "Interrupted"
    static constexpr int TimedOutError = 302;  // "Timed out."

    explicit TFtpClient(QObject* parent = nullptr);
    ~TFtpClient() override;

    const QString& RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString& host) { m_remoteHost = host; }
    quint16 RemotePort() const { return m_remotePort; }
    void setRemotePort(quint16 port) { m_remotePort = port; }
    const QString& User() const { return m_user; }
    void setUser(const QString& user) { m_user = user; }
    const QString& Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    // Logged on: asks the server ("PWD"). Otherwise the value last set.
    QString RemotePath();
    // Logged on: changes directory at once ("CWD", or "CDUP" for ".."). Otherwise only kept.
    void setRemotePath(const QString& path);
    const QString& LocalFile() const { return m_localFile; }
    void setLocalFile(const QString& path) { m_localFile = path; }
    const QString& RemoteFile() const { return m_remoteFile; }
    void setRemoteFile(const QString& name) { m_remoteFile = name; }
    const QString& AltFile() const { return m_altFile; }
    void setAltFile(const QString& name) { m_altFile = name; }
    TTransferMode TransferMode() const { return m_transferMode; }
    // Logged on: sends "TYPE A" or "TYPE I" at once. Any value but the three
    // fails with "Invalid Transfermode value". The mode is sent again after every logon.
    void setTransferMode(TTransferMode mode);
    bool Passive() const { return m_passive; }
    void setPassive(bool passive) { m_passive = passive; }
    // Read at logon. The server's certificate is checked for RemoteHost.
    TFtpTls Tls() const { return m_tls; }
    void setTls(TFtpTls mode) { m_tls = mode; }
    // True while the control connection is encrypted.
    bool Encrypted() const { return isEncrypted(); }
    qint64 StartByte() const { return m_startByte; }
    void setStartByte(qint64 offset) { m_startByte = offset; }
    // Seconds any single wait may take before the action fails with 302 "Timed out.".
    int TimeOut() const { return m_timeOut; }
    void setTimeOut(int seconds) { m_timeOut = seconds; }

    TFtpActions Action() const { return m_action; }
    // Performs the action. ftpAbort may be set while another action waits (from a
    // handler or a user command): that action then fails. Setting anything but
    // ftpIdle or ftpAbort while an action runs fails with 143.
    void setAction(TFtpActions action);

    // Ends the action in progress as a lost connection does: 301 "Interrupted".
    // For a program that is closing while the client waits.
    void Interrupt();

    // direction 0 command sent, 1 reply line received, 2 the client's own information.
    std::function<void(TFtpClient& sender, int direction, const QString& message)> OnFirePITrail;
    std::function<void(TFtpClient& sender)> OnStartTransfer;
    // Bytes so far; text is the data received when downloading without a local file.
    std::function<void(TFtpClient& sender, qint64 bytes, const QByteArray& text)> OnTransfer;
    std::function<void(TFtpClient& sender)> OnEndTransfer;
    std::function<void(TFtpClient& sender, const QString& entry)> OnDirList;
    std::function<void(TFtpClient& sender, int code, const QString& description)> OnError;

    // The last reply: its three-digit code and its whole last line.
    int ReplyCode() const { return m_replyCode; }
    const QString& ReplyText() const { return m_replyText; }
    // The last error of an action: its code and its text.
    int LastErrorCode() const { return m_lastErrorCode; }
    const QString& LastErrorText() const { return m_lastErrorText; }

    // A hostile server cannot make the client keep more than this.
    static constexpr qsizetype MaxReplyLineLength = 64 * 1024;
    static constexpr int MaxReplyLines = FtpReplyReader::MaxReplyLines;
    static constexpr qint64 UploadBlockSize = 2048;
    // How long an abort waits for the answer to "ABOR" after the aborted command's own.
    static constexpr int AbortReplySeconds = 5;

protected:
    // The one place the data connection is made; a TLS client returns its own.
    virtual std::unique_ptr<CDataInterface> createDataInterface();
    void connectionLost() override;

private:
    CDataInterface& data();

    // Why the waits of the action in progress were stopped.
    enum class StopReason { None, Abort, Interrupt };

    int waitTimeOut() const override { return m_shortWait > 0 ? std::min(m_shortWait, m_timeOut) : m_timeOut; }

    // Runs one action under the busy mark; a failure is recorded and thrown.
    void perform(TFtpActions action, const std::function<void()>& body);
    // The error a failed wait or connection means for the action, with the clean-up it needs.
    ESocketError failureOf(const EIPPortError* error);
    void endAbort();
    [[noreturn]] void raise(int code, const QString& text);
    // Fires OnError, then fails the action with the same code and text.
    [[noreturn]] void fault(int code, const QString& text);
    // A local file failed mid-transfer: the data connection is broken off, the
    // server's verdict on it read and dropped, and the action fails.
    [[noreturn]] void localFault(int code, const QString& text, bool tell = true);
    void trail(int direction, const QString& message);

    void abortAction();
    // The Telnet interrupt that goes before "ABOR", on a plain connection only.
    void sendAbortSignal();
    void logon();
    // "AUTH TLS" and the handshake on the control connection, after the greeting.
    void secureControl();
    // "PBSZ 0" and "PROT P" after the logon: the data connections are encrypted too.
    void protectData();
    // Ends a logon that must not go on: "QUIT" at most, then the connection closes.
    [[noreturn]] void refuseLogon(int code, const QString& text, bool quit);
    void logoff();
    void ensureLogon();
    void sendType(TTransferMode mode);
    void closeControl();

    // Sends a command and reads its reply; the code of a reply that counts as success.
    int command(const QString& verb, const QString& argument = QString(), bool preliminaryEnds = false);
    // Reads replies until one that is no preliminary (or is, with `preliminaryEnds`).
    int expectReply(bool preliminaryEnds = false, bool afterAbort = false);
    int receiveReply();
    // The reader's view of the control connection: each line read is told to OnFirePITrail.
    QString replyLine() override;

    // Opens the data connection (PASV or PORT), sends the command and moves the data.
    void transfer(const QString& verb, const QString& argument, bool restart, const std::function<void()>& move);
    quint16 passivePort();
    // Runs an operation of the data connection; its socket errors become the action's.
    void onData(const std::function<void()>& operation);
    void upload();
    void download();
    void list(const QString& verb);

    std::unique_ptr<CDataInterface> m_data;
    bool m_busy = false;
    StopReason m_stopReason = StopReason::None;
    bool m_aborSent = false;
    // A command has gone out whose final reply has not been read.
    bool m_pendingReply = false;
    bool m_controlOpen = false;
    bool m_loggedOn = false;
    // "PROT P" is in force on this control connection: data connections are encrypted.
    bool m_dataProtected = false;
    FtpReplyReader m_reply;

    QString m_remoteHost;
    quint16 m_remotePort = 21;
    QString m_user, m_password, m_remotePath, m_localFile, m_remoteFile, m_altFile;
    TTransferMode m_transferMode = tmDefault;
    bool m_passive = false;
    TFtpTls m_tls = ftpTlsNone;
    qint64 m_startByte = 0;
    int m_timeOut = 60;
    // While above 0, the longest wait in seconds (the replies an abort may or may not get).
    int m_shortWait = 0;
    TFtpActions m_action = ftpIdle;
    int m_replyCode = 0;
    QString m_replyText;
    int m_lastErrorCode = 0;
    QString m_lastErrorText;
};
