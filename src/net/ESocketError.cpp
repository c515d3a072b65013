#include "net/ESocketError.h"

#include <QHash>

namespace {

// The standard Windows Sockets descriptions, by number.
const QHash<int, QString>& socketErrors()
{
    static const QHash<int, QString> texts{
        {0, QStringLiteral("No Error")},
        {10004, QStringLiteral("Interrupted system call")},
        {10009, QStringLiteral("Bad file number")},
        {10013, QStringLiteral("Permission denied")},
        {10014, QStringLiteral("Bad address")},
        {10022, QStringLiteral("Invalid argument")},
        {10024, QStringLiteral("Too many open files")},
        {10035, QStringLiteral("Operation would block")},
        {10036, QStringLiteral("Operation now in progress")},
        {10037, QStringLiteral("Operation already in progress")},
        {10038, QStringLiteral("Socket operation on non-socket")},
        {10039, QStringLiteral("Destination address required")},
        {10040, QStringLiteral("Message too long")},
        {10041, QStringLiteral("Protocol wrong type for socket")},
        {10042, QStringLiteral("Bad protocol option")},
        {10043, QStringLiteral("Protocol not supported")},
        {10044, QStringLiteral("Socket type not supported")},
        {10045, QStringLiteral("Operation not supported on socket")},
        {10046, QStringLiteral("Protocol family not supported")},
        {10047, QStringLiteral("Address family not supported by protocol family")},
        {10048, QStringLiteral("Address already in use")},
        {10049, QStringLiteral("Can't assign requested address")},
        {10050, QStringLiteral("Network is down")},
        {10051, QStringLiteral("Network is unreachable")},
        {10052, QStringLiteral("Net dropped connection or reset")},
        {10053, QStringLiteral("Software caused connection abort")},
        {10054, QStringLiteral("Connection reset by peer")},
        {10055, QStringLiteral("No buffer space available")},
        {10056, QStringLiteral("Socket is already connected")},
        {10057, QStringLiteral("Socket is not connected")},
        {10058, QStringLiteral("Can't send after socket shutdown")},
        {10059, QStringLiteral("Too many references, can't splice")},
        {10060, QStringLiteral("Connection timed out")},
        {10061, QStringLiteral("Connection refused")},
        {10062, QStringLiteral("Too many levels of symbolic links")},
        {10063, QStringLiteral("File name too long")},
        {10064, QStringLiteral("Host is down")},
        {10065, QStringLiteral("No Route to Host")},
        {10066, QStringLiteral("Directory not empty")},
        {10067, QStringLiteral("Too many processes")},
        {10068, QStringLiteral("Too many users")},
        {10069, QStringLiteral("Disc Quota Exceeded")},
        {10070, QStringLiteral("Stale NFS file handle")},
        {10071, QStringLiteral("Too many levels of remote in path")},
        {10091, QStringLiteral("Network SubSystem is unavailable")},
        {10092, QStringLiteral("WINSOCK DLL Version out of range")},
        {10093, QStringLiteral("Successful WSASTARTUP not yet performed")},
        {10094, QStringLiteral("Graceful shutdown in progress")},
        {11001, QStringLiteral("Host not found")},
        {11002, QStringLiteral("Non-Authoritative Host not found")},
        {11003, QStringLiteral("Non-Recoverable errors: FORMERR, REFUSED, NOTIMP")},
        {11004, QStringLiteral("Valid name, no data record of requested type")},
    };
    return texts;
}

const QHash<int, QString>& componentErrors()
{
    static const QHash<int, QString> texts{
        {57000, QStringLiteral("Operation timed out")},
        {57001, QStringLiteral("Operation has been canceled")},
        {57002, QStringLiteral("Server property is required")},
        {57003, QStringLiteral("Invalid Winsock version")},
        {57004, QStringLiteral("Error resolving remote host")},
        {57005, QStringLiteral("Service name is required")},
        {57006, QStringLiteral("Proxy port is required")},
        {57007, QStringLiteral("Invalid URL")},
        {57008, QStringLiteral("You have to connect to the server first")},
        {57009, QStringLiteral("Server is busy")},
        {57010, QStringLiteral("Function %s not found")},
        {57011, QStringLiteral("Winsock is not loaded")},
        {57012, QStringLiteral("Winsock not found")},
        {57013, QStringLiteral("Reply header too large")},
        {57014, QStringLiteral("Invalid chunk size")},
        {57015, QStringLiteral("Connection closed before the reply was complete")},
        {57016, QStringLiteral("Busy performing current action.")},
        {57017, QStringLiteral("Unable to store the received data")},
        {57018, QStringLiteral("Server reply too long")},
        {57019, QStringLiteral("MailMessage property must be assigned")},
        {57020, QStringLiteral("The address of sender is required")},
        {57021, QStringLiteral("At least one Recipient, CC or BCC must be entered")},
        {57022, QStringLiteral("Invalid character in mail address")},
        {57023, QStringLiteral("Cannot open file")},
        {57024, QStringLiteral("Cannot create file")},
    };
    return texts;
}

} // namespace

QString ESocketError::textFor(int number)
{
    if (const auto found = socketErrors().constFind(number); found != socketErrors().constEnd())
        return u'[' + QString::number(number) + u"] " + *found;
    if (const auto found = componentErrors().constFind(number); found != componentErrors().constEnd())
        return *found;
    return u"Error #" + QString::number(number);
}

ECanceledError::ECanceledError() : ESocketError(SocketErrors::Canceled) {}
