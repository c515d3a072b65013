#include "net/TmsMailAddress.h"

bool TmsMailAddress::isUsableAddress(const QString& address)
{
    // A line break or NUL would end the command or header early, and an angle
    // bracket would close the path; a mail server takes no other bytes either.
    for (const QChar c : address) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || c == u'<' || c == u'>')
            return false;
    }
    return true;
}
