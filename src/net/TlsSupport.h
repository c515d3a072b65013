#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

#include <functional>
#include <optional>

class QSslSocket;

// What every encrypted connection of the program shares: the certificates it
// trusts and the texts of what went wrong. The server's certificate is always
// checked, against the system's trust store and the extra file, for the name
// the user gave; there is no way to ignore a failed check.
namespace Tls {

// The error number of every TLS failure; its text says why and names the host.
constexpr int Failed = 57030;

// A PEM file whose certificates are trusted besides the system's (the
// "TLSExtraCA" setting); empty for none. Read afresh by the next connection.
void setExtraCaFile(const QString& path);
QString extraCaFile();

// True when Qt has a TLS backend that can make client connections.
bool available();

// The configuration a client connection starts from: peer verified, the
// system's certificates plus the extra file's. Nothing when TLS cannot be
// used; `problem` then holds the text to fail with, naming `host`.
std::optional<QSslConfiguration> clientConfiguration(const QString& host, QString* problem);

// Prepares `socket` for a client handshake with `host`: its configuration,
// and the session of an earlier connection to resume when `session` is not
// empty. False with `problem` set when TLS cannot be used.
bool prepare(QSslSocket& socket, const QString& host, const QByteArray& session, QString* problem);

// For a TLS socket (nothing for a plain one): wakes the waits of `context`
// on the socket's own progress, and tells `failed` the text of a failed
// certificate check, naming `*host` as it stands then.
void watch(QAbstractSocket& socket, QObject& context, const QString* host,
           const std::function<void(const QString& text)>& failed);
// The text of a socket error that ended a handshake, naming `host`; empty for any other error.
QString handshakeFailure(QAbstractSocket::SocketError error, const QAbstractSocket& socket, const QString& host);

// Bytes written to `socket` and not yet handed to the system, counting those a TLS layer still holds.
qint64 queuedBytes(const QAbstractSocket& socket);

// "TLS: certificate has expired (host)": the first error of a failed check.
QString verifyText(const QList<QSslError>& errors, const QString& host);
// "TLS: <what> (host)" for a handshake that failed without a certificate error.
QString failureText(const QString& what, const QString& host);
// The reason of one certificate error, in lower case: "certificate has expired".
QString reason(const QSslError& error);

} // namespace Tls
