#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QString>

// Access to the socket library and the texts of its errors. Qt's network
// module is always there, so the library reads as loaded; errors keep the
// Windows Sockets numbers the program has always shown its users.
class CWinsock : public QObject {
public:
    explicit CWinsock(QObject* parent = nullptr);

    // Kept for callers that load the library before first use.
    bool WinsockLoaded() const { return true; }
    void setWinsockLoaded(bool) {}
    // A description of the socket library and its state, for the about box.
    QString WinsockInfo() const;
    QString WinsockStatus() const;

    // "[10061] Connection refused.", "Ok" for 0, "[<code>] (no description available)." otherwise.
    static QString ErrorText(int code);
    // The Windows Sockets number of a Qt socket error.
    static int socketErrorNumber(QAbstractSocket::SocketError error, const QString& description = QString());
};
