#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ApplicationRecord;
class ApplicationSiteList;
class CompanyRecord;
class EmailPostingMethod;
class FtpPostingMethod;
class ProgramSettings;
class SubmitDisplays;
class TEngBuild;
class TGWide;
class THTTPFrm;
class TReportsFrm;
class UserPrompts;
struct SiteDefinition;

// What the mail setup dialog holds for e-mail posting: the mail server and the
// sender, copied from the settings before every run.
struct MailSetup {
    QString server;      // ServerEdit
    QString userAddress; // UserAddressEdit
    QString userName;    // UserNameEdit
    QString logFileName; // LogFileNameEdit, never shown
    // Signing in to the server and encrypting the connection, from the settings.
    QString smtpUserName;
    QString smtpPassword;
    bool requireEncryption = false;
};

// Everything a run reads and writes besides its own state.
struct RunContext {
    ApplicationRecord& application;
    CompanyRecord& company;
    ApplicationSiteList& siteList;
    ProgramSettings& settings;
    SubmitDisplays& displays;
    TReportsFrm& reports;
    UserPrompts& prompts;
    std::function<TGWide*()> workspace;
    std::function<TEngBuild*()> engine;
};

// One press of "Save/Submit": checks the application, offers to save the
// edits, confirms the counts, then posts the application to every site marked
// to post, FTP first, then the HTTP form, then e-mail, and writes the run's
// report. It asks its questions only through the prompts and shows what it
// does through the displays, so a window or a command line can drive it.
class SubmissionRun : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        NotStarted, // a check, a question or the verification stopped it
        Completed,
        Cancelled,
        Failed      // a report or list file could not be written; the run ended there
    };

    explicit SubmissionRun(RunContext context, QObject* parent = nullptr);
    ~SubmissionRun() override;

    // The settings dialog, opened while the mail settings are missing; false
    // when none can be shown (no window), which stops the run.
    void setSettingsDialog(std::function<bool()> open) { m_openSettings = std::move(open); }
    // "Save Site" of the engine builder, for the question about its edits.
    void setSiteSaver(std::function<void()> save) { m_saveSite = std::move(save); }
    // The FTP and e-mail methods; without one, sites needing it are not posted.
    void setFtpMethod(FtpPostingMethod* method) { m_ftp = method; }
    void setEmailMethod(EmailPostingMethod* method) { m_email = method; }
    bool hasFtpMethod() const { return m_ftp != nullptr; }
    bool hasEmailMethod() const { return m_email != nullptr; }
    // Asks for the Simtel password when a Simtel site is to be posted without one;
    // false when none was given, which fails those sites. Unset: nothing is asked.
    void setSimtelPasswordDialog(std::function<bool()> ask) { m_askSimtelPassword = std::move(ask); }

    bool Posting() const;
    bool CancelRequested() const { return m_cancelRequested; }
    bool SkipRequested() const { return m_skipRequested; }
    int CurrentSiteIndex() const { return m_currentSiteIndex; }
    int ProcessedCount() const { return m_processedCount; }
    const QString& simtelPassword() const { return m_simtelPassword; }
    void setSimtelPassword(const QString& password) { m_simtelPassword = password; }
    const MailSetup& mailSetup() const { return m_mailSetup; }
    // What the user gave in the mail setup dialog.
    void setMailSetup(const MailSetup& setup) { m_mailSetup = setup; }

    // The whole run; returns when it is over and the report question answered.
    Outcome submitBtnClick();
    // The checks of a run without its questions and without writing anything:
    // the mail settings, the application, the sites to post. False after the
    // message of the first that fails.
    bool checkReady();
    // Rewraps the long description and the notes in the record to lines of at
    // most 72 characters, as they are sent.
    void wrapDescriptions();
    // "Skip": leaves the site in progress; the running client is stopped.
    void skipClick();
    // "Cancel": after the user's Yes, stops the run after the method in progress.
    void cancelClick();
    // The same stop without the question (an interrupt of a run from a script).
    void requestCancel();

    // Writes the held Simtel password into both Simtel site definitions.
    void writeSimtelPassword() const;
    // The held Simtel password from the Simtel site definitions, when one is stored.
    void readSimtelPassword();

    // Rewraps the text to lines of at most `width` characters, breaking after
    // blanks where it can; every line ends with CR LF, the last one too.
    static QString WrapText(const QString& text, int width);

    // Which methods a site uses for a row of the kind (new or update), and
    // whether its definition suits the application.
    static bool ftpApplies(const SiteDefinition& site);
    static bool httpApplies(const SiteDefinition& site, bool isNew);
    static bool emailApplies(const SiteDefinition& site, bool isNew);
    static bool fits(const SiteDefinition& site, const ApplicationRecord& application);
    // "Simtel" and "Simtel 16bit" share the run's Simtel password.
    static bool isSimtelSite(const QString& name);

    // What the current site's HTTP form would send, or why nothing is sent.
    struct HttpRequest {
        enum class Problem { None, NoScript, ScriptError };
        Problem problem = Problem::None;
        bool get = false;
        QString url;  // as requested; a GET carries the form in it
        QString form; // blanks written as %20; a POST sends its lines, each ended by CR LF
    };
    HttpRequest prepareHttp(bool isNew);

    // The run's own method for a site's HTTP form; public for its tests.
    void SetupHttpClient(THTTPFrm& holder);
    bool PostHttp(THTTPFrm& holder, bool isNew);

signals:
    // The site list, a file or the definition shown changed under the windows.
    void runStarted();
    void runEnded(SubmissionRun::Outcome outcome);
    // The mail setup was filled from the settings.
    void mailSetupChanged();
    // The run's course, site by site, for a printer of it. number counts the
    // sites posted so far in this run, total the sites to post.
    void siteStarted(int number, int total, const QString& site);
    // method: "FTP", "HTTP" or "EMAIL"; detail says why a method failed.
    void methodFinished(const QString& site, const QString& method, bool ok, const QString& detail);
    void ftpAttemptFailed(const QString& site, int attempt, int attempts, const QString& detail);
    // reason: why a site was not posted at all, or empty.
    void siteFinished(const QString& site, bool ok, const QString& reason);
    void siteSkipped(const QString& site);

private:
    enum class SiteEnd { Next, Cancelled };

    bool prepare();
    bool mailSettingsGiven();
    bool validate();
    bool offerSaves();
    // Returns true when the loop ended by a cancel.
    bool siteLoop();
    SiteEnd postSite(int row);
    bool postFtp(const QString& caption);
    bool postEmail(const QString& caption, bool isNew, int row, bool sendCopy);
    // Saves a site's page for the report; an error waits until the site's result is recorded.
    void savePage(const QString& method, const QString& caption);
    void throwPageError();
    void recordResult(int row, bool ok);
    void finishRun();
    void FinishCancelledRun();
    void failRun(const QString& message);
    void AskViewReport();
    void leavePosting();
    void setRunning(int lamp);
    TEngBuild* engine() const;
    QString simtelFile(const QString& site) const;

    RunContext m_context;
    std::function<bool()> m_openSettings;
    std::function<void()> m_saveSite;
    std::function<bool()> m_askSimtelPassword;
    FtpPostingMethod* m_ftp = nullptr;
    EmailPostingMethod* m_email = nullptr;
    // Live only while a method of a site runs, so Skip and Cancel can reach them.
    std::unique_ptr<THTTPFrm> m_httpHolder;
    bool m_ftpRunning = false;
    bool m_emailRunning = false;
    std::optional<QString> m_pageError;

    bool m_cancelRequested = false;
    bool m_skipRequested = false;
    int m_currentSiteIndex = -1;
    int m_processedCount = 0;
    bool m_busy = false;
    int m_totalToPost = 0;
    QString m_methodDetail;
    bool m_simtelRefused = false;
    QString m_simtelPassword;
    MailSetup m_mailSetup;
};
