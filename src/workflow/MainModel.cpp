#include "workflow/MainModel.h"

#include "engines/TEngBuild.h"
#include "net/TlsSupport.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "reports/TReportsFrm.h"

#include <QFileInfo>
#include <QUrl>

MainModel::MainModel(UserPrompts& prompts, const QString& baseDirectory, const QString& userSettingsFile,
                     QObject* parent)
    : QObject(parent), m_prompts(prompts), m_baseDirectory(baseDirectory), m_userSettingsFile(userSettingsFile)
{
    if (!m_baseDirectory.endsWith(u'/'))
        m_baseDirectory += u'/';
    // The site list follows the application: loaded with it, its own file rewritten.
    connect(&m_application, &ApplicationRecord::applicationLoaded, this,
            [this](const QString& name) { m_siteList.Load(name); });
    // Every count of the sites to post sets the run's counters.
    connect(&m_siteList, &ApplicationSiteList::totalToPostChanged, &m_displays, &SubmitDisplays::setCounters);

    // The report writer reads the workspace, the application and the run as they stand when it writes.
    ReportSources sources;
    sources.reportsDir = [this]() -> QString {
        return m_workspace ? m_workspace->ReportsDir() : m_baseDirectory + u"reports/";
    };
    sources.imagesDir = [this]() -> QString {
        return m_workspace ? m_workspace->ImagesDir() : m_baseDirectory + u"images/";
    };
    sources.applicationName = [this] { return m_application.name(); };
    sources.runLog = [this] { return m_displays.logLines(); };
    sources.transferList = [this] { return m_displays.xfer(); };
    m_reports = std::make_unique<TReportsFrm>(std::move(sources));

    m_run = std::make_unique<SubmissionRun>(RunContext{m_application, m_company, m_siteList, m_settings, m_displays,
                                                       *m_reports, m_prompts,
                                                       [this] { return m_workspace.get(); },
                                                       [this] { return engine(); }});
    m_run->setSiteSaver([this] { saveSite(); });
    m_emailPosting = std::make_unique<EmailPosting>(EmailPosting::Context{
        [this] { return engine(); }, m_application, m_company, m_siteList, m_displays, *m_reports,
        [this]() -> const MailSetup& { return m_run->mailSetup(); },
        [this] { return m_workspace ? m_workspace->FilesDir() : m_baseDirectory + QStringLiteral("files/"); },
        [this] { return m_run->SkipRequested(); }, m_baseDirectory + QStringLiteral("zentrel.ini")});
    m_run->setEmailMethod(m_emailPosting.get());
    m_ftpPosting = std::make_unique<FtpPosting>(FtpPosting::Context{
        [this] { return engine(); }, m_application, m_displays, m_prompts,
        [this] { return m_workspace ? m_workspace->FilesDir() : m_baseDirectory + QStringLiteral("files/"); }});
    m_run->setFtpMethod(m_ftpPosting.get());
    m_simtelRequest = std::make_unique<SimtelRequest>(
        SimtelRequest::Context{m_siteList, m_settings, settingsFile(), *m_run, m_prompts});
    // A run loads site after site; the Site Builder gets back what it showed.
    connect(m_run.get(), &SubmissionRun::runStarted, this, [this] {
        if (const TEngBuild* e = engine())
            m_siteBeforeRun = e->saveState();
    });
    connect(m_run.get(), &SubmissionRun::runEnded, this, [this] {
        if (TEngBuild* e = engine(); e && m_siteBeforeRun)
            e->restoreState(*m_siteBeforeRun);
        m_siteBeforeRun.reset();
        m_siteBuilder.showAgain();
    });
    connect(&m_siteBuilder, &SiteBuilder::simtelPasswordEdited, m_run.get(), &SubmissionRun::setSimtelPassword);
}

MainModel::~MainModel()
{
    m_company.setWorkspace(nullptr);
    m_application.setWorkspace(nullptr);
    m_siteList.setWorkspace(nullptr, nullptr);
    m_siteBuilder.setWorkspace(nullptr, nullptr);
    m_workspace.reset();
}

QString MainModel::settingsFile() const
{
    return ProgramSettings::fileIn(m_baseDirectory);
}

void MainModel::startWorkspace()
{
    m_workspace = std::make_unique<TGWide>(*this, m_baseDirectory, m_userSettingsFile);
    m_company.setWorkspace(m_workspace.get());
    m_application.setWorkspace(m_workspace.get());
    m_workspace->StartUp();
    // Only now is there a catalogue for the site list to follow.
    m_siteList.setWorkspace(m_workspace.get(), engine());
    m_siteBuilder.setWorkspace(m_workspace.get(), engine());
}

TEngBuild* MainModel::engine() const
{
    return m_workspace ? dynamic_cast<TEngBuild*>(m_workspace->engine()) : nullptr;
}

void MainModel::formShow()
{
    // Nothing has been edited yet, whatever fails below: the marks end clear.
    struct ClearMarks {
        MainModel& model;
        ~ClearMarks()
        {
            model.m_company.setChanged(false);
            model.m_application.setChanged(false);
            model.m_siteList.setChanged(false);
            if (TEngBuild* e = model.engine())
                e->setModified(false);
        }
    } clearMarks{*this};
    // Settings that cannot be read leave their defaults; the application still loads.
    try {
        m_settings.load(settingsFile());
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
    // Every encrypted connection from now on trusts the settings' extra certificates.
    Tls::setExtraCaFile(m_settings.tlsExtraCa);
    if (!m_applications.isEmpty()) {
        // The application last worked on, or the first when it is gone.
        const int last = m_applications.indexOf(m_settings.lastAppLoaded, Qt::CaseInsensitive);
        m_applications.setCurrentIndex(last >= 0 ? last : 0);
        m_application.LoadApplication();
    }
    m_run->readSimtelPassword();
}

bool MainModel::openApplication(const QString& name)
{
    try {
        m_settings.load(settingsFile());
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
    Tls::setExtraCaFile(m_settings.tlsExtraCa);
    const int at = m_applications.indexOf(name, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    m_applications.setCurrentIndex(at);
    m_application.LoadApplication();
    m_company.setChanged(false);
    m_application.setChanged(false);
    m_siteList.setChanged(false);
    if (TEngBuild* e = engine())
        e->setModified(false);
    m_run->readSimtelPassword();
    return true;
}

void MainModel::saveApplication()
{
    BusyCursor busy(m_prompts);
    m_application.SaveApplication();
    m_company.SaveCompany();
    if (m_siteList.isEmpty())
        m_siteList.Load(m_application.name());
}

void MainModel::newApplication()
{
    if (m_application.NewApplication())
        saveApplication();
}

void MainModel::selectApplication(const QString& name)
{
    const int at = m_applications.indexOf(name, Qt::CaseInsensitive);
    if (at < 0)
        return;
    m_applications.setCurrentIndex(at);
    m_application.LoadApplication();
}

void MainModel::saveSite()
{
    m_siteBuilder.saveSite();
}

bool MainModel::closeQuery()
{
    // A run reads the records and the site list while it goes; they must stay.
    if (m_displays.Posting()) {
        m_prompts.beep();
        return false;
    }
    if (m_closeWithoutQuestions)
        return true;
    const ClosingAnswer answer = askClosingQuestions();
    if (answer == ClosingAnswer::CancelRecord)
        return false;
    // "Cancel" for the Site definition keeps the window open, yet the application last worked on is
    // still written. A program folder that cannot be written must not keep the window from closing.
    try {
        m_settings.saveLastAppLoaded(settingsFile());
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
    return answer == ClosingAnswer::Go;
}

MainModel::ClosingAnswer MainModel::askClosingQuestions(bool aboutSite)
{
    const auto ask = [this](const QString& what) {
        m_prompts.beep();
        return m_prompts.askSave(QStringLiteral("Would you like to save %1?").arg(what));
    };
    if (m_company.changed()) {
        switch (ask(QStringLiteral("Changed Company Info"))) {
        case UserPrompts::Answer::Yes: m_company.SaveCompany(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return ClosingAnswer::CancelRecord;
        }
    }
    if (m_application.changed()) {
        switch (ask(m_application.name())) {
        case UserPrompts::Answer::Yes: m_application.SaveApplication(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return ClosingAnswer::CancelRecord;
        }
    }
    if (m_siteList.changed()) {
        switch (ask(QStringLiteral("Site Engine Info"))) {
        case UserPrompts::Answer::Yes: m_siteList.Save(m_application.name()); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return ClosingAnswer::CancelRecord;
        }
    }
    if (const TEngBuild* e = engine(); aboutSite && e && e->modified()) {
        switch (ask(QStringLiteral("Added/Changed Engine Info"))) {
        case UserPrompts::Answer::Yes: saveSite(); break;
        case UserPrompts::Answer::No: break;
        case UserPrompts::Answer::Cancel: return ClosingAnswer::CancelSite;
        }
    }
    return ClosingAnswer::Go;
}

bool MainModel::dataUpdateQuery()
{
    if (m_displays.Posting()) {
        m_prompts.beep();
        return false;
    }
    return askClosingQuestions() == ClosingAnswer::Go;
}

bool MainModel::recordsSaveQuery()
{
    if (m_displays.Posting()) {
        m_prompts.beep();
        return false;
    }
    return askClosingQuestions(false) == ClosingAnswer::Go;
}

void MainModel::windowClosing()
{
    try {
        m_run->writeSimtelPassword();
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
}

void MainModel::restartAfterUpdate()
{
    m_prompts.info(QStringLiteral("You must now restart Zentrel!"));
    m_closeWithoutQuestions = true;
    emit closeRequested();
}

bool MainModel::tabChangeAllowed()
{
    if (!m_displays.Posting())
        return true;
    m_prompts.info(QStringLiteral("Tab Change Not Allowed While Posting!"));
    return false;
}

QString MainModel::helpFile() const
{
    return m_baseDirectory + QStringLiteral("Zentrel.htm");
}

void MainModel::showHelp(int topic)
{
    const QString file = helpFile();
    if (!QFileInfo(file).isFile()) {
        m_prompts.error(QStringLiteral("Cannot open file %1").arg(file));
        return;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (topic > 0)
        url.setFragment(QString::number(topic));
    openPage(url.toString(QUrl::FullyEncoded));
}

QString MainModel::zentrelHomePage()
{
    return QStringLiteral("https://www.halvernhq.com/zentrel/");
}

QString MainModel::makerHomePage()
{
    return QStringLiteral("https://www.halvernhq.com/");
}

void MainModel::openPage(const QString& url)
{
    if (!m_prompts.openUrl(url))
        m_prompts.error(QStringLiteral("Couldn't launch default browser"));
}

bool MainModel::hasLogToPrint()
{
    if (m_displays.logLines().isEmpty()) {
        m_prompts.info(QStringLiteral("You do not have a log to print."));
        return false;
    }
    return true;
}

void MainModel::loadSelectedCompany()
{
    m_company.LoadCompany();
}

void MainModel::loadSelectedApplication()
{
    m_application.LoadApplication();
}

std::unique_ptr<WorkspaceEngine> MainModel::createEngineBuilder(TGWide& workspace)
{
    auto engine = std::make_unique<TEngBuild>(workspace, m_prompts);
    engine->setRecords(&m_company, &m_application);
    engine->setCategoryChoices(&m_siteList);
    return engine;
}
