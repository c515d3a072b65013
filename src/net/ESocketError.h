#pragma once

#include <QString>

#include <stdexcept>

// An error of a network component: a socket error (a Windows Sockets number)
// or one of the component's own (57000 and up), with the text the user sees.
// The component's OnError has already been told when it is thrown.
class ESocketError : public std::runtime_error {
public:
    ESocketError(int number, const QString& text)
        : std::runtime_error(text.toStdString()), m_number(number), m_text(text)
    {
    }
    explicit ESocketError(int number) : ESocketError(number, textFor(number)) {}

    int number() const noexcept { return m_number; }
    const QString& text() const noexcept { return m_text; }

    // The text of an error number: "[10061] Connection refused" for a socket
    // error, "Invalid URL" for a component error, "Error #<number>" otherwise.
    static QString textFor(int number);

private:
    int m_number;
    QString m_text;
};

// The operation was stopped by Cancel.
class ECanceledError : public ESocketError {
public:
    ECanceledError();
};

// The numbers of the component's own errors.
namespace SocketErrors {
constexpr int TimedOut = 57000;
constexpr int Canceled = 57001;
constexpr int ServerRequired = 57002;
constexpr int ServiceRequired = 57005;
constexpr int ProxyPortRequired = 57006;
constexpr int InvalidUrl = 57007;
constexpr int NotConnected = 57008;
constexpr int ReplyTooLarge = 57013;
constexpr int InvalidChunkSize = 57014;
constexpr int ClosedEarly = 57015;
constexpr int Busy = 57016;
constexpr int CannotStore = 57017;
// The mail client's own. A refusal by a mail server carries the reply's code instead.
constexpr int ReplyTooLong = 57018;
constexpr int MessageRequired = 57019;
constexpr int SenderRequired = 57020;
constexpr int RecipientRequired = 57021;
constexpr int InvalidAddress = 57022;
constexpr int CannotOpenFile = 57023;
constexpr int CannotCreateFile = 57024;

// Socket errors the component raises itself.
constexpr int AddressNotAvailable = 10049;
constexpr int ConnectionReset = 10054;
} // namespace SocketErrors
