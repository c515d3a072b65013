#pragma once

#include "net/TFtpClient.h"

#include <QList>
#include <QString>
#include <QStringList>

class ApplicationRecord;
class TEngBuild;
struct SiteDefinition;

struct FtpUpload {
    QString localFile;
    QString remoteFile;
    bool binary = true; // false: text mode
    qint64 size = -1;   // -1: no file there, or an archive not made yet
};

// What one FTP attempt at the engine's current site would do, worked out
// without connecting, zipping or writing anything.
struct FtpPlan {
    bool ok = false;            // false: an attempt would fail before its first upload, `problem` says why
    QString problem;
    QString server, user;       // the user expanded, or as written when it does not expand; never the password
    TFtpTls encryption = ftpTlsNone;
    QString remotePath;
    bool addedTextOk = true;    // the added text file could be prepared (also true when there is none)
    QString addedTextProblem;   // why it could not
    QString addedTextName;      // the file name expanded
    QStringList addedText;      // the FTP script expanded
    bool zip = false;           // the program goes in a zip archive made or copied into the files directory
    bool programIsZip = false;  // the program already is a zip archive: it is copied, not packed
    QString archiveName;
    // The program archive already is that file of the files directory: it is
    // neither deleted nor copied, only added to.
    bool archiveInPlace = false;
    // The added text goes inside an archive the user keeps in the files
    // directory: a copy of it is made, added to and sent instead.
    bool sendsCopy = false;
    QStringList archiveEntries; // what the archive holds once zipped, in order
    QList<FtpUpload> uploads;   // in order, with the remote names as sent
};

FtpPlan planFtp(TEngBuild& engine, const ApplicationRecord& app, const QString& filesDir);

// The encryption a site's FTP_TLS asks for: 1 when offered, 2 required, plain FTP otherwise.
TFtpTls ftpTlsOf(const SiteDefinition& site);
// "FTP encryption: required", "FTP encryption: when offered"; empty for plain FTP.
QString encryptionLine(TFtpTls encryption);

// The scratch names of an attempt in the files directory: the added text on
// its way to its name, and the copy of a kept archive that gets the added text.
inline QString parseTempName() { return QStringLiteral("FTP_Parse_Temp.tmp"); }
inline QString sendCopyName() { return QStringLiteral("FTP_Send_Temp.zip"); }
