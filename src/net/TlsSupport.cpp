#include "net/TlsSupport.h"

#include "net/WaitFor.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslSocket>

namespace Tls {

namespace {

QString& extraCa()
{
    static QString path;
    return path;
}

// The system's trust store, read once: reading it takes tens of milliseconds,
// and every connection (each FTP data connection too) needs it.
const QList<QSslCertificate>& systemAuthorities()
{
    static const QList<QSslCertificate> certificates = QSslConfiguration::systemCaCertificates();
    return certificates;
}

} // namespace

void setExtraCaFile(const QString& path)
{
    extraCa() = path.trimmed();
}

QString extraCaFile()
{
    return extraCa();
}

bool available()
{
    return QSslSocket::supportsSsl();
}

std::optional<QSslConfiguration> clientConfiguration(const QString& host, QString* problem)
{
    if (!available()) {
        if (problem)
            *problem = failureText(QStringLiteral("no TLS library is available"), host);
        return std::nullopt;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    configuration.setProtocol(QSsl::SecureProtocols);
    // The session is kept, so that a data connection can resume it.
    configuration.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    const QString extra = extraCaFile();
    if (!extra.isEmpty()) {
        QFile file(extra);
        QList<QSslCertificate> certificates;
        if (file.open(QIODevice::ReadOnly))
            certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
        if (certificates.isEmpty()) {
            if (problem)
                *problem = failureText(u"no certificate could be read from the TLSExtraCA file " + extra, host);
            return std::nullopt;
        }
        // Setting the list replaces what the system would have been asked for
        // on demand: the system's certificates go in first, so the extra file
        // only ever adds to them.
        QList<QSslCertificate> trusted = systemAuthorities();
        trusted += certificates;
        configuration.setCaCertificates(trusted);
    }
    return configuration;
}

bool prepare(QSslSocket& socket, const QString& host, const QByteArray& session, QString* problem)
{
    std::optional<QSslConfiguration> configuration = clientConfiguration(host, problem);
    if (!configuration)
        return false;
    if (!session.isEmpty())
        configuration->setSessionTicket(session);
    socket.setSslConfiguration(*configuration);
    socket.setPeerVerifyName(host);
    return true;
}

void watch(QAbstractSocket& socket, QObject& context, const QString* host,
           const std::function<void(const QString& text)>& failed)
{
    auto* tls = qobject_cast<QSslSocket*>(&socket);
    if (!tls)
        return;
    QObject::connect(tls, &QSslSocket::encrypted, &context, [] { wakeWaits(); });
    QObject::connect(tls, &QSslSocket::encryptedBytesWritten, &context, [] { wakeWaits(); });
    // A failed certificate check ends the handshake; the reason is what the user reads.
    QObject::connect(tls, &QSslSocket::sslErrors, &context, [host, failed](const QList<QSslError>& errors) {
        failed(verifyText(errors, *host));
        wakeWaits();
    });
}

QString handshakeFailure(QAbstractSocket::SocketError error, const QAbstractSocket& socket, const QString& host)
{
    if (error != QAbstractSocket::SslHandshakeFailedError && error != QAbstractSocket::SslInternalError
        && error != QAbstractSocket::SslInvalidUserDataError)
        return {};
    return failureText(u"handshake failed: " + socket.errorString(), host);
}

qint64 queuedBytes(const QAbstractSocket& socket)
{
    if (const auto* tls = qobject_cast<const QSslSocket*>(&socket))
        return tls->bytesToWrite() + tls->encryptedBytesToWrite();
    return socket.bytesToWrite();
}

QString reason(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::CertificateExpired: return QStringLiteral("certificate has expired");
    case QSslError::CertificateNotYetValid: return QStringLiteral("certificate is not yet valid");
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain: return QStringLiteral("certificate is self-signed and not trusted");
    case QSslError::HostNameMismatch: return QStringLiteral("certificate is for another host name");
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted: return QStringLiteral("certificate is not signed by a trusted authority");
    case QSslError::CertificateRevoked: return QStringLiteral("certificate has been revoked");
    case QSslError::NoPeerCertificate: return QStringLiteral("the server sent no certificate");
    case QSslError::CertificateSignatureFailed: return QStringLiteral("certificate signature is invalid");
    case QSslError::InvalidPurpose: return QStringLiteral("certificate is not meant for a server");
    default: break;
    }
    QString text = error.errorString();
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

QString verifyText(const QList<QSslError>& errors, const QString& host)
{
    if (errors.isEmpty())
        return failureText(QStringLiteral("certificate check failed"), host);
    // An expired or mismatched certificate says more than the chain error that may come with it.
    const QSslError* chosen = &errors.first();
    for (const QSslError& e : errors) {
        if (e.error() == QSslError::CertificateExpired || e.error() == QSslError::CertificateNotYetValid
            || e.error() == QSslError::HostNameMismatch) {
            chosen = &e;
            break;
        }
    }
    return failureText(reason(*chosen), host);
}

QString failureText(const QString& what, const QString& host)
{
    return QStringLiteral("TLS: %1 (%2)").arg(what, host);
}

} // namespace Tls
