#pragma once

#include <QString>

// A mailbox of a message: the name shown to people and the address mail goes to.
class TmsMailAddress {
public:
    TmsMailAddress() = default;
    TmsMailAddress(const QString& name, const QString& address) : m_name(name), m_address(address) {}

    const QString& Name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QString& Address() const { return m_address; }
    void setAddress(const QString& address) { m_address = address; }

    // An address a server can be given between "<" and ">" and a header can
    // carry: printable ASCII other than the two brackets. Whether it may be
    // empty is the caller's rule.
    static bool isUsableAddress(const QString& address);

private:
    QString m_name;
    QString m_address;
};
