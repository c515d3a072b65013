#pragma once

#include <QString>

class IniValues;

// The program settings held in memory, as read from "settings.dat"
// (section SETTINGS). Every part of the program reads these held values.
class ProgramSettings {
public:
    QString lastAppLoaded;
    QString smtp;
    QString email;
    QString name;
    QString proxy;
    QString proxyUserName;
    QString proxyPassword;
    QString port = QStringLiteral("80");
    int ftpRetries = 3;
    int httpTimeOut = 60; // seconds
    bool useGridLines = false;
    bool showHints = true;
    bool resetToNoPost = true;
    bool ftpPassiveMode = false;
    // "SMTP User Name", "SMTP Password", "Require encryption": signing in to the
    // mail server and refusing one that cannot encrypt. A settings file made
    // new turns encryption on; one without the key keeps it off.
    QString smtpUserName;
    QString smtpPassword;
    bool requireEncryption = false;
    // TLSExtraCA: a PEM file of certificates trusted besides the system's; read, never written.
    QString tlsExtraCa;
    // Where the online services go; read, never written, and not in the dialog.
    QString updateUrl = defaultUpdateUrl();
    QString bhsUrl = defaultBhsUrl(); // the folder the account pages are named in

    // The maker's addresses, used when settings.dat names none.
    static QString defaultUpdateUrl() { return QStringLiteral("http://www.halvernhq.com/updates/zlsites.zip"); }
    static QString defaultBhsUrl() { return QStringLiteral("http://www.bhs.com/"); }

    // The file in the base directory of the workspace.
    static QString fileIn(const QString& baseDirectory);

    // Every key with its default. A relative TLSExtraCA names a file beside settings.dat.
    void load(const QString& fileName);
    // The keys the Settings dialog edits, read again before it opens: the twelve
    // of old, then "SMTP User Name", "SMTP Password" and "Require encryption".
    void loadDialogValues(const QString& fileName);
    // Writes the dialog keys in that order. Throws ZentrelError on failure.
    void saveDialogValues(const QString& fileName) const;
    // Writes LastAppLoaded only.
    void saveLastAppLoaded(const QString& fileName) const;
    // Sets and writes UseGridLines only.
    void setUseGridLines(const QString& fileName, bool on);

    // Why a sign-in text cannot be kept in settings.dat as typed (a character
    // the 8-bit file cannot hold, a line break, too long), or empty when it can.
    static QString unstorableReason(const QString& value);

    // True when `server` ("host" or "host:port") is on the host of the SMTP
    // setting: the sign-in is the user's account there and goes to no other server.
    bool isOwnMailServer(const QString& server) const;

    // A proxy is used only when its host has 4 characters or more.
    bool hasProxy() const { return proxy.size() >= 4; }
    // "host:port", or empty when no proxy is used.
    QString proxyAddress() const;

private:
    // Every write: the file stays readable by its owner alone, and a file made
    // new says "Require encryption" as the held value has it.
    void write(const QString& fileName, const IniValues& values) const;
};
