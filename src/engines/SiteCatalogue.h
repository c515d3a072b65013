#pragma once

#include <QString>
#include <QStringList>

// The Site catalogue: the supplied list ("Sites.dat"), the user list
// ("User_Sites.dat") and the combined list the user sees. All three are kept
// sorted ignoring case; names are looked up exactly.
class SiteCatalogue {
public:
    const QStringList& supplied() const { return m_supplied; }
    const QStringList& user() const { return m_user; }
    const QStringList& combined() const { return m_combined; }

    bool contains(const QString& name) const { return m_combined.contains(name); }

    // Reads both files of the sites directory; a missing file leaves its list empty.
    void load(const QString& sitesDir);
    // Writes both lists in list order. Throws ZentrelError("Cannot create file ...").
    void save(const QString& sitesDir) const;

    void addUserSite(const QString& name);
    // Removes the first exact match from each list where present.
    void remove(const QString& name);

    // A site name can name its files and stand in an application's site choices,
    // whose fields the byte 0xB1 ("\u00B1") separates.
    static bool isUsableName(const QString& name);
    // The message shown when a typed site name is refused.
    static QString unusableNameMessage(const QString& name);

    static QString suppliedFile(const QString& sitesDir);
    static QString userFile(const QString& sitesDir);

private:
    QStringList m_supplied;
    QStringList m_user;
    QStringList m_combined;
};
