#include "submit/SubmissionRun.h"

#include "engines/SiteDefinition.h"
#include "engines/TEngBuild.h"
#include "net/ESocketError.h"
#include "net/TextLines.h"
#include "records/ApplicationRecord.h"
#include "records/Blanks.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"
#include "records/TGWide.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "reports/TReportsFrm.h"
#include "submit/ApplicationSiteList.h"
#include "submit/HttpClientSetup.h"
#include "submit/PostingMethods.h"
#include "submit/SubmitDisplays.h"
#include "submit/THTTPFrm.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

using Lamp = SubmitDisplays::Lamp;

const QString SimtelSite = QStringLiteral("Simtel");
const QString Simtel16Site = QStringLiteral("Simtel 16bit");
const QString Settings = QStringLiteral("SETTINGS");
const QString LoginPassword = QStringLiteral("LOGIN_PASSWORD");

const QString NoMailSettings = QStringLiteral("Zentrel needs the SMTP server, your e-mail address and your name in "
                                              "Settings before it can submit.");

// Blanks and control characters off both ends.
QString trimmedControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

// The row type a definition gives, as the site list shows it.
QString typeOf(const SiteDefinition& site)
{
    const QString kind = site.siteType == 1 ? QStringLiteral("Free") : QStringLiteral("All");
    const QString system = site.siteSystem == 1 ? QStringLiteral("32")
        : site.siteSystem == 2                  ? QStringLiteral("16")
                                                : QStringLiteral("16-32");
    return kind + u' ' + system;
}

} // namespace

SubmissionRun::SubmissionRun(RunContext context, QObject* parent) : QObject(parent), m_context(std::move(context)) {}

SubmissionRun::~SubmissionRun() = default;

bool SubmissionRun::Posting() const
{
    return m_context.displays.Posting();
}

TEngBuild* SubmissionRun::engine() const
{
    return m_context.engine ? m_context.engine() : nullptr;
}

QString SubmissionRun::simtelFile(const QString& site) const
{
    TEngBuild* e = engine();
    return e ? e->definitionFile(site) : QString();
}

void SubmissionRun::writeSimtelPassword() const
{
    if (!engine())
        return;
    for (const QString& site : {SimtelSite, Simtel16Site})
        TIniFile(simtelFile(site)).WriteString(Settings, LoginPassword, m_simtelPassword);
}

void SubmissionRun::readSimtelPassword()
{
    if (!engine())
        return;
    for (const QString& site : {SimtelSite, Simtel16Site}) {
        QString stored;
        try {
            stored = TIniFile(simtelFile(site)).ReadString(Settings, LoginPassword, QString());
        } catch (const ZentrelError&) {
            continue; // a definition too large to read holds no password for us
        }
        if (!stored.isEmpty()) {
            m_simtelPassword = stored;
            return;
        }
    }
}

QString SubmissionRun::WrapText(const QString& text, int width)
{
    if (text.isEmpty())
        return QString();
    width = std::max(width, 1);
    QStringList out;
    for (const QString& line : textLines(text)) {
        if (line.isEmpty()) {
            out.append(QString());
            continue;
        }
        QString rest = line;
        while (!rest.isEmpty()) {
            if (rest.size() <= width) {
                out.append(rest);
                break;
            }
            qsizetype blank = rest.indexOf(u' ');
            if (blank < 0) {
                for (qsizetype at = 0; at < rest.size(); at += width)
                    out.append(rest.mid(at, width));
                break;
            }
            qsizetype p = blank + 1;
            if (p > width) {
                out.append(rest.left(width));
                rest.remove(0, width);
                continue;
            }
            // Whole words with their blank, as many as fit.
            QString piece;
            while (p > 0 && p + piece.size() <= width) {
                piece += rest.left(p);
                rest.remove(0, p);
                p = rest.indexOf(u' ') + 1;
            }
            out.append(piece);
        }
    }
    QString result;
    for (const QString& line : std::as_const(out))
        result += line + QStringLiteral("\r\n");
    return result;
}

SubmissionRun::Outcome SubmissionRun::submitBtnClick()
{
    if (Posting())
        return Outcome::NotStarted;
    try {
        if (!prepare())
            return Outcome::NotStarted;
    } catch (const ZentrelError& e) {
        m_context.prompts.error(e.text());
        return Outcome::NotStarted;
    }

    m_context.prompts.setBusy(true);
    m_busy = true;
    m_context.displays.BeginPosting();
    emit runStarted();
    Outcome outcome = Outcome::Completed;
    try {
        m_totalToPost = m_context.siteList.counts().total;
        m_context.reports.StartReport();
        wrapDescriptions();
        m_processedCount = 0;
        if (siteLoop()) {
            FinishCancelledRun();
            outcome = Outcome::Cancelled;
        } else {
            finishRun();
        }
    } catch (const ZentrelError& e) {
        failRun(e.text());
        outcome = Outcome::Failed;
    } catch (const std::exception& e) {
        failRun(QString::fromLocal8Bit(e.what()));
        outcome = Outcome::Failed;
    }
    if (outcome != Outcome::Failed)
        AskViewReport();
    emit runEnded(outcome);
    return outcome;
}

bool SubmissionRun::prepare()
{
    // The held Simtel password goes to both Simtel definitions, whatever follows.
    writeSimtelPassword();
    m_simtelRefused = false;
    if (m_simtelPassword.isEmpty() && m_askSimtelPassword) {
        const QList<SiteListRow>& rows = m_context.siteList.rows();
        const bool simtelMarked = std::any_of(rows.cbegin(), rows.cend(), [](const SiteListRow& r) {
            return isSimtelSite(r.site) && r.post == QStringLiteral("Y");
        });
        if (simtelMarked && !m_askSimtelPassword())
            m_simtelRefused = true;
    }

    m_cancelRequested = false;
    m_skipRequested = false;
    m_context.displays.clearFtpList();
    m_context.displays.clearLog();

    ProgramSettings& settings = m_context.settings;
    while (!mailSettingsGiven()) {
        if (!m_openSettings || !m_openSettings()) {
            m_context.prompts.error(NoMailSettings);
            return false;
        }
    }
    m_mailSetup.server = settings.smtp;
    m_mailSetup.userAddress = settings.email;
    m_mailSetup.userName = settings.name;
    m_mailSetup.smtpUserName = settings.smtpUserName;
    m_mailSetup.smtpPassword = settings.smtpPassword;
    m_mailSetup.requireEncryption = settings.requireEncryption;
    emit mailSetupChanged();

    if (!validate() || !offerSaves())
        return false;
    return m_context.siteList.CheckSitesToPost(true);
}

bool SubmissionRun::mailSettingsGiven()
{
    const ProgramSettings& settings = m_context.settings;
    return !settings.smtp.isEmpty() && !settings.email.isEmpty() && !settings.name.isEmpty();
}

bool SubmissionRun::checkReady()
{
    if (!mailSettingsGiven()) {
        m_context.prompts.error(NoMailSettings);
        return false;
    }
    return validate() && m_context.siteList.CheckSitesToPost(true);
}

bool SubmissionRun::validate()
{
    const ApplicationRecord& app = m_context.application;
    // Paths are taken as written; a file must stand there.
    const auto noFile = [](const QString& path) { return !QFileInfo(path).isFile(); };
    const auto badOptional = [&](AppField f) { return !app.field(f).isEmpty() && noFile(app.field(f)); };
    const QString message = app.name().isEmpty() ? QStringLiteral("You have not selected an app to submit.")
        : m_context.company.name().isEmpty()
        ? QStringLiteral("You have not selected a company name for the app to submit.")
        : app.field(AppField::Char8).isEmpty() ? QStringLiteral("The 8 Character Filename for this app is blank.")
        : app.field(AppField::Platform).isEmpty()
        ? QStringLiteral("You have not selected the platform for this application")
        : app.field(AppField::DistStatus).isEmpty()
        ? QStringLiteral("You have not selected the distribution for this application")
        : app.field(AppField::Status).isEmpty() ? QStringLiteral("You have not selected the status for this application")
        : noFile(app.field(AppField::Path))
        ? QStringLiteral("You have selected an invalid local path for this application's file.")
        : badOptional(AppField::IcoPath)    ? QStringLiteral("You have selected an invalid path for the Ico file.")
        : badOptional(AppField::GifPath)    ? QStringLiteral("You have selected an invalid path for the Gif file.")
        : badOptional(AppField::ScreenPath) ? QStringLiteral("You have selected an invalid path for the Screen Shot file.")
        : badOptional(AppField::OtherPath)
        ? QStringLiteral("You have selected an invalid path for the \"Other\" file.")
        : QString();
    if (message.isEmpty())
        return true;
    m_context.prompts.info(message);
    return false;
}

bool SubmissionRun::offerSaves()
{
    UserPrompts& prompts = m_context.prompts;
    const auto ask = [&prompts](const QString& what) {
        prompts.beep();
        return prompts.askSave(QStringLiteral("Would you like to save %1?").arg(what));
    };
    if (m_context.application.changed()) {
        switch (ask(m_context.application.name())) {
        case UserPrompts::Answer::Yes: m_context.application.SaveApplication(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return false;
        }
    }
    if (m_context.company.changed()) {
        switch (ask(QStringLiteral("Changed Company Info"))) {
        case UserPrompts::Answer::Yes: m_context.company.SaveCompany(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return false;
        }
    }
    if (const TEngBuild* e = engine(); e && e->modified()) {
        switch (ask(QStringLiteral("Added/Changed Engine Info"))) {
        case UserPrompts::Answer::Yes:
            if (m_saveSite)
                m_saveSite();
            break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return false;
        }
    }
    return true;
}

void SubmissionRun::wrapDescriptions()
{
    ApplicationRecord& app = m_context.application;
    // Line by line, so an empty last line stays: rewrapping changes nothing.
    const auto rewrap = [](const QStringList& lines) {
        QStringList wrapped;
        for (const QString& line : lines) {
            if (line.isEmpty())
                wrapped.append(line);
            else
                wrapped.append(textLines(WrapText(line, 72)));
        }
        return wrapped;
    };
    app.setLongDescription(rewrap(app.longDescription()));
    app.setNotes(rewrap(app.notes()));
}

bool SubmissionRun::siteLoop()
{
    for (int row = 0; row < m_context.siteList.rows().size(); ++row) {
        if (postSite(row) == SiteEnd::Cancelled)
            return true;
    }
    return false;
}

void SubmissionRun::setRunning(int lamp)
{
    SubmitDisplays& d = m_context.displays;
    for (Lamp which : {Lamp::Http, Lamp::Ftp, Lamp::Mail}) {
        if (int(which) == lamp)
            d.setLamp(which, true, true);
        else
            d.setLamp(which, d.lamp(which).on, false);
    }
}

SubmissionRun::SiteEnd SubmissionRun::postSite(int row)
{
    ApplicationSiteList& list = m_context.siteList;
    SubmitDisplays& displays = m_context.displays;
    TReportsFrm& reports = m_context.reports;
    m_currentSiteIndex = row;
    list.setPostingRow(row);
    displays.setIdle();

    // Only the rows counted for the run: marked "Y" and fitting the application.
    const SiteListRow r = list.rows().at(row);
    const auto afterSite = [&] {
        if (m_skipRequested) {
            displays.AddLog(QStringLiteral("SKIPPED -> ") + r.site);
            m_skipRequested = false;
            emit siteSkipped(r.site);
        }
    };
    if (!list.isToPost(row)) {
        afterSite();
        return SiteEnd::Next;
    }
    // Skip, Cancel and an interrupt are heard between sites too, not only while a method waits.
    QCoreApplication::processEvents();
    if (m_cancelRequested) {
        FinishCancelledRun();
        return SiteEnd::Cancelled;
    }
    TEngBuild* e = engine();
    bool defined = false;
    if (e) {
        // Problems with the site's files go to the run log; the run goes on.
        e->setProblemReporter([this](const QString& text) { m_context.displays.AddLog(text); });
        e->LoadSite(r.site);
        e->setProblemReporter(nullptr);
        defined = e->definitionRead();
    }
    if (defined && !fits(e->site(), m_context.application)) {
        afterSite();
        return SiteEnd::Next;
    }

    m_skipRequested = false;
    list.Save(m_context.application.name());
    const QString caption = r.site;
    displays.setCurrentSite(defined ? e->siteName() : r.site);
    emit siteStarted(m_processedCount + 1, m_totalToPost, caption);

    const bool isNew = r.submit == QStringLiteral("New");
    bool ok = true;
    bool ftpApplies = false, httpApplies = false, emailApplies = false;
    bool ftpDone = false, httpDone = false, emailDone = false;
    QString reason; // why the site is not posted at all
    const auto refuse = [&](const QString& why) {
        displays.AddLog(QStringLiteral("Unable to post to: ") + caption + QStringLiteral(" (") + why + u')');
        reason = why;
        ok = false;
    };
    if (!defined) {
        refuse(QStringLiteral("no site definition"));
    } else if (m_simtelRefused && m_simtelPassword.isEmpty() && isSimtelSite(caption)) {
        refuse(QStringLiteral("no Simtel password"));
    } else {
        const SiteDefinition& site = e->site();
        ftpApplies = SubmissionRun::ftpApplies(site);
        httpApplies = SubmissionRun::httpApplies(site, isNew);
        emailApplies = SubmissionRun::emailApplies(site, isNew);
        // A method not there yet posts nothing of the site: a later run must find it unposted.
        if (ftpApplies && !m_ftp)
            refuse(QStringLiteral("FTP upload is not available yet"));
        else if (emailApplies && !m_email)
            refuse(QStringLiteral("e-mail posting is not available yet"));
    }
    // Every method the site uses must have run and gone through.
    const auto allDone = [&] {
        return ok && (!ftpApplies || ftpDone) && (!httpApplies || httpDone) && (!emailApplies || emailDone);
    };
    // A cancel between methods ends the run; the site counts by what was done.
    const auto cancelledHere = [&] {
        if (!m_cancelRequested || allDone())
            return false;
        ++reports.FailCount;
        emit siteFinished(caption, false, QStringLiteral("cancelled"));
        throwPageError();
        FinishCancelledRun();
        return true;
    };

    if (ok && ftpApplies && !m_skipRequested && !m_cancelRequested) {
        ftpDone = postFtp(caption);
        ok = ftpDone;
        emit methodFinished(caption, QStringLiteral("FTP"), ftpDone, ftpDone ? QString() : m_ftp->lastError());
    }
    if (cancelledHere())
        return SiteEnd::Cancelled;

    if (ok && httpApplies && !m_skipRequested) {
        setRunning(int(Lamp::Http));
        m_httpHolder = std::make_unique<THTTPFrm>(displays, reports);
        SetupHttpClient(*m_httpHolder);
        reports.StartSiteLog(QStringLiteral("HTTP"));
        m_methodDetail.clear();
        httpDone = PostHttp(*m_httpHolder, isNew);
        ok = httpDone;
        m_httpHolder.reset();
        savePage(QStringLiteral("HTTP"), caption);
        emit methodFinished(caption, QStringLiteral("HTTP"), httpDone, m_methodDetail);
    }
    if (cancelledHere())
        return SiteEnd::Cancelled;

    if (ok && emailApplies && !m_skipRequested) {
        emailDone = postEmail(caption, isNew, row, e->site().emailSendCopy);
        ok = emailDone;
        emit methodFinished(caption, QStringLiteral("EMAIL"), emailDone, emailDone ? QString() : m_email->lastError());
    }

    recordResult(row, allDone());
    emit siteFinished(caption, allDone(), reason);
    ++m_processedCount;
    displays.siteProcessed(m_processedCount);
    // The site's result stands before a page that could not be saved ends the run.
    throwPageError();
    if (m_cancelRequested) {
        FinishCancelledRun();
        return SiteEnd::Cancelled;
    }
    afterSite();
    return SiteEnd::Next;
}

bool SubmissionRun::postFtp(const QString& caption)
{
    SubmitDisplays& displays = m_context.displays;
    TReportsFrm& reports = m_context.reports;
    setRunning(int(Lamp::Ftp));
    reports.StartSiteLog(QStringLiteral("FTP"));
    displays.clearFtpList();
    bool done = false;
    int failures = 0;
    for (;;) {
        m_ftpRunning = true;
        done = m_ftp->PostFtp(m_context.settings.ftpPassiveMode);
        m_ftpRunning = false;
        if (done)
            break;
        ++failures;
        emit ftpAttemptFailed(caption, failures, m_context.settings.ftpRetries + 1, m_ftp->lastError());
        // A cancel stops the attempts as a skip does.
        if (failures > m_context.settings.ftpRetries || m_skipRequested || m_cancelRequested)
            break;
    }
    for (const QString& line : displays.ftpLines())
        reports.AddSiteLog(line);
    savePage(QStringLiteral("FTP"), caption);
    return done;
}

bool SubmissionRun::postEmail(const QString& caption, bool isNew, int row, bool sendCopy)
{
    TReportsFrm& reports = m_context.reports;
    reports.StartSiteLog(QStringLiteral("EMAIL"));
    setRunning(int(Lamp::Mail));
    m_emailRunning = true;
    const bool sent = m_email->PostEmail(isNew, row, false);
    // The copy to the company contact is a courtesy: its failure fails nothing.
    if (sent && sendCopy)
        m_email->PostEmail(isNew, row, true);
    m_emailRunning = false;
    savePage(QStringLiteral("EMAIL"), caption);
    return sent;
}

void SubmissionRun::savePage(const QString& method, const QString& caption)
{
    try {
        m_context.reports.SaveSiteLog(method, caption);
    } catch (const ZentrelError& e) {
        if (!m_pageError)
            m_pageError = e.text();
    }
}

void SubmissionRun::throwPageError()
{
    if (m_pageError)
        throw ZentrelError(*std::exchange(m_pageError, std::nullopt));
}

void SubmissionRun::recordResult(int row, bool ok)
{
    TReportsFrm& reports = m_context.reports;
    if (!ok) {
        ++reports.FailCount;
        return;
    }
    ++reports.SuccessCount;
    m_context.siteList.recordPosted(row, m_context.settings.resetToNoPost);
}

void SubmissionRun::SetupHttpClient(THTTPFrm& holder)
{
    setupHttpClient(holder.HTTP1, m_context.settings);
}

bool SubmissionRun::ftpApplies(const SiteDefinition& site)
{
    return site.useFtpUpload;
}

bool SubmissionRun::httpApplies(const SiteDefinition& site, bool isNew)
{
    return site.useHttpPost && !trimLeadingBlanks(isNew ? site.httpNewScriptUrl : site.httpUpdateScriptUrl).isEmpty();
}

bool SubmissionRun::emailApplies(const SiteDefinition& site, bool isNew)
{
    return site.useEmail && !trimLeadingBlanks(isNew ? site.emailToName : site.emailToNameUpdate).isEmpty();
}

bool SubmissionRun::isSimtelSite(const QString& name)
{
    return name == SimtelSite || name == Simtel16Site;
}

bool SubmissionRun::fits(const SiteDefinition& site, const ApplicationRecord& application)
{
    return ApplicationSiteList::Compatible(typeOf(site), application.field(AppField::Platform),
                                           application.field(AppField::Status));
}

SubmissionRun::HttpRequest SubmissionRun::prepareHttp(bool isNew)
{
    TEngBuild& e = *engine();
    const SiteDefinition& def = e.site();
    HttpRequest request;
    request.get = def.httpPostType == 2;

    // A URL that does not expand is used as written.
    const QString urlTemplate = isNew ? def.httpNewScriptUrl : def.httpUpdateScriptUrl;
    request.url = urlTemplate;
    try {
        const QString expanded = e.Expand(urlTemplate, ExpandMode::Submission);
        if (!e.ExpandError())
            request.url = expanded;
    } catch (const ZentrelError&) {
    }

    const QString script = trimLeadingBlanks(
        def.scripts[size_t(isNew ? SiteScript::HttpNew : SiteScript::HttpUpdate)].join(QStringLiteral("\r\n")));
    if (script.isEmpty()) {
        request.problem = HttpRequest::Problem::NoScript;
        return request;
    }
    bool expanded = false;
    try {
        request.form = e.Expand(script, ExpandMode::Submission);
        expanded = !e.ExpandError();
    } catch (const ZentrelError&) {
    }
    if (!expanded) {
        request.problem = HttpRequest::Problem::ScriptError;
        request.form.clear();
        return request;
    }
    // The script carries the form's separators and encoding; only blanks are encoded here.
    request.form.replace(u' ', QStringLiteral("%20"));
    if (request.get) {
        QString joined = request.url + request.form;
        joined.replace(u'\r', QStringLiteral("%20"));
        joined.remove(u'\n');
        request.url = trimmedControls(joined);
    }
    return request;
}

bool SubmissionRun::PostHttp(THTTPFrm& holder, bool isNew)
{
    SubmitDisplays& displays = m_context.displays;
    TReportsFrm& reports = m_context.reports;
    const QString site = engine()->siteName();

    displays.clearXfer();
    displays.setHttpStatus(QStringLiteral("Preparing to Post to ") + site);
    const HttpRequest request = prepareHttp(isNew);
    switch (request.problem) {
    case HttpRequest::Problem::NoScript: {
        const QString line = QStringLiteral("No Engine Script For HTTP Post For: ") + site;
        displays.AddLog(line);
        reports.AddSiteLog(line);
        displays.AddLog(QStringLiteral("Unable to post HTTP to: ") + site);
        m_methodDetail = line;
        return false;
    }
    case HttpRequest::Problem::ScriptError:
        reports.AddSiteLog(QStringLiteral("SCRIPT ERROR FOR ") + site);
        displays.AddLog(QStringLiteral("Unable to post HTTP to: ") + site);
        m_methodDetail = QStringLiteral("SCRIPT ERROR FOR ") + site;
        return false;
    case HttpRequest::Problem::None: break;
    }

    displays.setHttpStatus(QStringLiteral("HTTP Posting: ") + site);
    TagHTTP& http = holder.HTTP1;
    try {
        int status = 0;
        http.setURL(request.url);
        if (!request.get) {
            http.setPostData(request.form);
            reports.AddSiteLog(QStringLiteral("Post Data: ") + request.form);
            status = http.Post();
        } else {
            reports.AddSiteLog(QStringLiteral("Post Data: ") + request.form);
            status = http.Get();
        }
        // Whatever the server said counts, but it must have said something.
        if (status < 0) {
            const QString line = QStringLiteral("ERROR:  [No HTTP status in the reply]");
            reports.AddSiteLog(line);
            displays.AddLog(line);
            throw ESocketError(0, QStringLiteral("No HTTP status in the reply"));
        }
        reports.AddSiteLog(QStringLiteral("[End Transfer]"));
        reports.AddSiteLog(QStringLiteral("Completed HTTP Post to: ") + site);
        if (http.BodyCut())
            reports.AddSiteLog(QStringLiteral("[Reply cut at 4 MiB]"));
        QIODevice& body = http.Body();
        displays.setXfer(textLines(QString::fromLatin1(body.readAll())));
        displays.setHttpStatus(QStringLiteral("Posted on ") + site);
        displays.AddLog(QStringLiteral("Completed HTTP Post to: ") + site);
        displays.setHttpStatus(QStringLiteral("Idle"));
        displays.setFtpStatus(QStringLiteral("Idle"));
        displays.setMailStatus(QStringLiteral("Idle"));
        QCoreApplication::processEvents();
        return true;
    } catch (const ESocketError& e) {
        m_methodDetail = u'[' + e.text() + u']';
        const QString line = QStringLiteral("Posting Error - (") + site + u')';
        displays.AddLog(line);
        reports.AddSiteLog(line);
        QCoreApplication::processEvents();
        return false;
    }
}

void SubmissionRun::skipClick()
{
    m_skipRequested = true;
    if (m_ftpRunning && m_ftp)
        m_ftp->abort();
    if (m_httpHolder)
        m_httpHolder->HTTP1.Cancel();
    if (m_emailRunning && m_email)
        m_email->abort();
}

void SubmissionRun::cancelClick()
{
    m_context.prompts.beep();
    if (m_context.prompts.confirm(QStringLiteral("Sure you want to cancel all posts?")))
        requestCancel();
}

void SubmissionRun::requestCancel()
{
    if (!Posting())
        return;
    if (m_httpHolder)
        m_httpHolder->HTTP1.Cancel();
    if (m_ftpRunning && m_ftp)
        m_ftp->abort();
    // A mail being sent runs to its end.
    m_cancelRequested = true;
}

void SubmissionRun::leavePosting()
{
    m_context.siteList.setPostingRow(-1);
    if (m_busy) {
        m_busy = false;
        m_context.prompts.setBusy(false);
    }
    m_context.displays.EndPosting();
}

void SubmissionRun::finishRun()
{
    SubmitDisplays& displays = m_context.displays;
    displays.setCurrentSite(QString());
    displays.setIdle();
    m_context.siteList.Save(m_context.application.name());
    m_context.reports.WriteMainReport();
    leavePosting();
}

void SubmissionRun::FinishCancelledRun()
{
    SubmitDisplays& displays = m_context.displays;
    m_context.siteList.Save(m_context.application.name());
    displays.setCurrentSite(QString());
    displays.setIdle();
    m_context.reports.WriteMainReport();
    displays.setProgressPosition(0);
    leavePosting();
}

void SubmissionRun::failRun(const QString& message)
{
    // What can still be kept is kept; the window leaves the posting state either way.
    m_httpHolder.reset();
    m_ftpRunning = m_emailRunning = false;
    m_pageError.reset();
    try {
        m_context.siteList.Save(m_context.application.name());
    } catch (const std::exception&) {
        // The results live on in memory; closing the window asks to save them.
        m_context.siteList.setChanged(true);
    }
    SubmitDisplays& displays = m_context.displays;
    displays.setCurrentSite(QString());
    displays.setIdle();
    bool reportWritten = false;
    try {
        m_context.reports.WriteMainReport();
        reportWritten = true;
    } catch (const std::exception&) {
    }
    leavePosting();
    m_context.prompts.error(message);
    if (reportWritten)
        AskViewReport();
}

void SubmissionRun::AskViewReport()
{
    UserPrompts& prompts = m_context.prompts;
    prompts.beep();
    if (!prompts.confirm(QStringLiteral("Submission Process Done. View Report?")))
        return;
    if (!prompts.openUrl(m_context.reports.MainReportUrl()))
        prompts.error(QStringLiteral("Couldn't launch default browser"));
}
