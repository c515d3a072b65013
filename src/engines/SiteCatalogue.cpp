#include "engines/SiteCatalogue.h"

#include "records/Collation.h"
#include "records/ListFile.h"
#include "records/WorkspacePath.h"

#include <algorithm>

namespace {

void sortNames(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(), collatesBefore);
}

void insertSorted(QStringList& names, const QString& name)
{
    names.insert(std::upper_bound(names.begin(), names.end(), name, collatesBefore), name);
}

void removeFirst(QStringList& names, const QString& name)
{
    const qsizetype at = names.indexOf(name);
    if (at >= 0)
        names.removeAt(at);
}

QStringList readNames(const QString& fileName)
{
    QStringList names;
    if (const auto lines = ListFile::loadIfExists(fileName))
        for (const QString& line : *lines)
            if (SiteCatalogue::isUsableName(line))
                names.append(line);
    return names;
}

} // namespace

bool SiteCatalogue::isUsableName(const QString& name)
{
    return WorkspacePath::isSafeName(name) && !name.contains(QChar(0xB1));
}

QString SiteCatalogue::unusableNameMessage(const QString& name)
{
    if (!WorkspacePath::isSafeName(name))
        return WorkspacePath::unsafeNameMessage(name);
    return QStringLiteral("The site name \"%1\" cannot be used: a site name may not contain the character "
                          "\"\u00B1\", which separates the fields of an application's site choices.")
        .arg(name);
}

QString SiteCatalogue::suppliedFile(const QString& sitesDir)
{
    return sitesDir + QStringLiteral("Sites.dat");
}

QString SiteCatalogue::userFile(const QString& sitesDir)
{
    return sitesDir + QStringLiteral("User_Sites.dat");
}

void SiteCatalogue::load(const QString& sitesDir)
{
    m_supplied = readNames(suppliedFile(sitesDir));
    m_user = readNames(userFile(sitesDir));
    sortNames(m_supplied);
    sortNames(m_user);
    m_combined = m_supplied + m_user;
    sortNames(m_combined);
}

void SiteCatalogue::save(const QString& sitesDir) const
{
    ListFile::save(suppliedFile(sitesDir), m_supplied);
    ListFile::save(userFile(sitesDir), m_user);
}

void SiteCatalogue::addUserSite(const QString& name)
{
    insertSorted(m_combined, name);
    insertSorted(m_user, name);
}

void SiteCatalogue::remove(const QString& name)
{
    removeFirst(m_supplied, name);
    removeFirst(m_user, name);
    removeFirst(m_combined, name);
}
