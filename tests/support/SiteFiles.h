#pragma once

#include "TestWorkspace.h"

#include <QByteArray>
#include <QString>

// Writes catalogue sites into a test workspace: "Sites.dat" in the order added,
// each site's definition keys, its HTTP_NEW script and its primary categories.
class SiteFiles {
public:
    explicit SiteFiles(const TestWorkspace& ws) : m_ws(ws) {}

    void add(const char* name, const QByteArray& keys, const QByteArray& httpNew = {},
             const QByteArray& categories = {})
    {
        const QString site = QString::fromLatin1(name);
        m_catalogue += QByteArray(name) + "\r\n";
        m_ws.write(QStringLiteral("sites/Sites.dat"), m_catalogue);
        m_ws.write(QStringLiteral("sites/") + site + QStringLiteral(".ini"), "[SETTINGS]\r\n" + keys);
        if (!httpNew.isNull())
            m_ws.write(QStringLiteral("sites/") + site + QStringLiteral(" HTTP_NEW.scp"), httpNew);
        if (!categories.isNull())
            m_ws.write(QStringLiteral("cat/") + site + QStringLiteral(" Cat1.cat"), categories);
    }

private:
    const TestWorkspace& m_ws;
    QByteArray m_catalogue;
};
