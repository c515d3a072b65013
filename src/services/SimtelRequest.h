#pragma once

#include <QString>
#include <QStringList>

class ApplicationSiteList;
class ProgramSettings;
class SubmissionRun;
class UserPrompts;

// What the user typed into the Simtel password dialog.
struct SimtelRequestFields {
    QString userName;    // "E-Mail Username:", the sender
    QString replyTo;     // "E-Mail Reply-To Address:"
    QString server;      // "SMTP Server:"
    QString application; // "Name of Application you will be uploading:"
    QString description; // "Brief Description of file you will be uploading:"
    bool author = false; // the author check box
};

// Simtel takes FTP uploads only with a password it mails to the author on
// request. This asks for it by mail through the user's own server, takes the
// password once it has arrived, and keeps the Simtel rows out of a run while
// there is none. The password is the one the run holds and writes into both
// Simtel definitions.
class SimtelRequest {
public:
    struct Context {
        ApplicationSiteList& siteList;
        ProgramSettings& settings;
        QString settingsFile;
        SubmissionRun& run;
        UserPrompts& prompts;
    };

    explicit SimtelRequest(Context context);

    // The mail server, address and name as the settings hold them.
    SimtelRequestFields fieldsFromSettings() const;

    // "Send Request to Simtel": refuses incomplete fields and a user who is not
    // the author, then mails the request. On success the Simtel rows are unmarked
    // and the three mail settings saved; true when the dialog is to close.
    bool send(const SimtelRequestFields& fields);
    // "Accept Password": an empty one unmarks the Simtel rows; any other is held
    // and written into both Simtel definitions.
    void acceptPassword(const QString& password);
    // Sets P to "N" on the rows "Simtel" and "Simtel 16bit" that are marked to post.
    void unmarkSimtelRows();

    // The body of the request mail, line by line.
    static QStringList messageLines(const SimtelRequestFields& fields);
    static QString subject(const SimtelRequestFields& fields);

private:
    Context m_context;
};
