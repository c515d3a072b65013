#include "net/CWinsock.h"

#include "net/ESocketError.h"

#include <QtGlobal>

#include <array>
#include <algorithm>

namespace {

// The numbers that have a description of their own; ESocketError holds the texts.
constexpr std::array<int, 50> describedCodes{
    10004, 10009, 10013, 10014, 10022, 10024, 10035, 10036, 10037, 10038, 10039, 10040, 10041,
    10042, 10043, 10044, 10045, 10046, 10047, 10048, 10049, 10050, 10051, 10052, 10053, 10054,
    10055, 10056, 10057, 10058, 10059, 10060, 10061, 10062, 10063, 10064, 10065, 10066, 10067,
    10068, 10069, 10070, 10071, 10091, 10092, 10093, 11001, 11002, 11003, 11004,
};

} // namespace

CWinsock::CWinsock(QObject* parent) : QObject(parent) {}

QString CWinsock::WinsockInfo() const
{
    return u"Qt Network " + QString::fromLatin1(qVersion());
}

QString CWinsock::WinsockStatus() const
{
    return QStringLiteral("Running");
}

QString CWinsock::ErrorText(int code)
{
    if (code == 0)
        return QStringLiteral("Ok");
    if (std::find(describedCodes.begin(), describedCodes.end(), code) != describedCodes.end())
        return ESocketError::textFor(code) + u'.';
    return u'[' + QString::number(code) + u"] (no description available).";
}

int CWinsock::socketErrorNumber(QAbstractSocket::SocketError error, const QString& description)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::DatagramTooLargeError: return 10040;
    case QAbstractSocket::NetworkError:
        return description.contains(u"host", Qt::CaseInsensitive) ? 10065 : 10051;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    case QAbstractSocket::UnfinishedSocketOperationError: return 10036;
    case QAbstractSocket::TemporaryError: return 10035;
    case QAbstractSocket::OperationError: return 10022;
    case QAbstractSocket::ProxyConnectionRefusedError: return 10061;
    case QAbstractSocket::ProxyConnectionClosedError: return 10054;
    case QAbstractSocket::ProxyConnectionTimeoutError: return 10060;
    case QAbstractSocket::ProxyNotFoundError: return 11001;
    case QAbstractSocket::ProxyAuthenticationRequiredError: return 10013;
    default: return 10053;
    }
}
