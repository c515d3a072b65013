#include "ui/TMainFrm.h"

#include "engines/TEngBuild.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "services/PadFetch.h"
#include "ui/ChooserBinding.h"
#include "ui/InputRules.h"
#include "ui/LogPrinter.h"
#include "ui/QtPrintChooser.h"
#include "ui/QtUserPrompts.h"
#include "ui/TAboutFrm.h"
#include "ui/TApplicationPages.h"
#include "ui/TBHSFrm.h"
#include "ui/TCompanyPage.h"
#include "ui/TDefaultScriptFrm.h"
#include "ui/TEngineCheckFrm.h"
#include "ui/TPadExportFrm.h"
#include "ui/TPadImportFrm.h"
#include "ui/TPadUrlFrm.h"
#include "ui/Tgeteng.h"
#include "ui/TReportsListFrm.h"
#include "ui/TSettingsForm.h"
#include "ui/TSetupDlg.h"
#include "ui/Tsimtellpassfrm.h"
#include "ui/TSiteBuilderPage.h"
#include "ui/TSitesPage.h"
#include "ui/TSubmissionVerifyFrm.h"
#include "ui/TSubmitPage.h"
#include "ui/TVariablesFrm.h"
#include "workflow/MainModel.h"
#include "workflow/SiteContribution.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QListView>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTableView>

namespace {

// Help topics of the window's pages; the run's lists carry their own.
constexpr int CompanyTopic = 1000;
constexpr int GeneralTopic = 1001;
constexpr int LocationsTopic = 1002;
constexpr int DescriptionTopic = 1003;
constexpr int SitesTopic = 1004; // also the Settings dialog
// The Site Builder's pages; the controls below them count as "Details".
constexpr int SiteDetailsTopic = 1006;
constexpr int SiteHttpTopic = 1007;
constexpr int SiteFtpTopic = 1008;
constexpr int SiteEmailTopic = 1009;

const char* const HelpTopicProperty = "helpTopic";

void setHelpTopic(QWidget* widget, int topic)
{
    widget->setProperty(HelpTopicProperty, topic);
}

} // namespace

TMainFrm::TMainFrm(const QString& baseDirectory, UserPrompts* prompts, const QString& userSettingsFile)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                               | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                               | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("MainFrm"));
    if (prompts) {
        m_prompts = prompts;
    } else {
        m_ownPrompts = std::make_unique<QtUserPrompts>();
        m_ownPrompts->setParentWindow(this);
        m_prompts = m_ownPrompts.get();
    }
    m_ownPrintChooser = std::make_unique<QtPrintChooser>();
    m_printChooser = m_ownPrintChooser.get();
    m_model = std::make_unique<MainModel>(*m_prompts, baseDirectory, userSettingsFile);

    setWindowTitle(QStringLiteral("Zentrel 2.13"));
    buildMenus();

    m_tabs = new TPageControl(this);
    m_tabs->setObjectName(QStringLiteral("MainTabs"));
    m_tabs->addTab(buildAppInfoTab(), QStringLiteral("App Info"));
    m_tabs->addTab(buildSitesTab(), QStringLiteral("Sites"));
    m_tabs->addTab(buildSubmitTab(), QStringLiteral("Submit"));
    // The variable picker serves the Site Builder's template fields.
    m_variables = new TVariablesFrm(this);
    m_tabs->addTab(buildSiteBuilderTab(), QStringLiteral("Site Builder"));
    setCentralWidget(m_tabs);
    // While a run is going the user cannot leave the "Submit" tab.
    m_tabs->setChanging([this] { return PageControl1Changing(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, &TMainFrm::mainTabChanged);

    connect(&m_model->displays(), &SubmitDisplays::postingChanged, this, &TMainFrm::postingChanged);
    connect(m_model.get(), &MainModel::closeRequested, this, &QWidget::close, Qt::QueuedConnection);

    // The run's own dialogs: the settings while the mail settings are missing,
    // the mail setup it fills before it posts.
    SubmissionRun& run = m_model->run();
    run.setSettingsDialog([this] {
        settingsItemClick();
        return true;
    });
    m_setupDlg = new TSetupDlg(this);
    // A Simtel site marked without a password: the run goes on once the dialog closes.
    m_simtelDlg = new Tsimtellpassfrm(m_model->simtelRequest(), this);
    run.setSimtelPasswordDialog([this] {
        m_simtelDlg->exec();
        return !m_model->run().simtelPassword().isEmpty();
    });
    connect(&run, &SubmissionRun::mailSetupChanged, this, [this] { m_setupDlg->fill(m_model->run().mailSetup()); });
    // A mail about to go without a server asks for one.
    m_model->emailPosting().setSetupDialog([this] {
        if (m_setupDlg->exec() == QDialog::Accepted)
            m_model->run().setMailSetup(m_setupDlg->values());
    });

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &TMainFrm::contextHelp);

    // Fixed size, centred on the screen.
    setFixedSize(760, 560);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainFrm::~TMainFrm() = default;

UserPrompts& TMainFrm::prompts()
{
    return *m_prompts;
}

void TMainFrm::setPrintChooser(PrintChooser* chooser)
{
    m_printChooser = chooser ? chooser : m_ownPrintChooser.get();
}

QComboBox* TMainFrm::companyChooser() const
{
    return m_companyPage->chooser();
}

QComboBox* TMainFrm::applicationChooser() const
{
    return m_appPages->chooser();
}

QAction* TMainFrm::command(const char* objectName) const
{
    return findChild<QAction*>(QLatin1String(objectName));
}

void TMainFrm::runCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const ZentrelError& e) {
        m_prompts->error(e.text());
    }
}

void TMainFrm::buildMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const char* caption, std::function<void()> action) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QLatin1String(name));
        if (action)
            connect(a, &QAction::triggered, this, [this, action] { runCommand(action); });
        else
            a->setEnabled(false); // its dialog is not there yet
        return a;
    };

    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("filepd"));
    item(m_fileMenu, "SettingsItem", "&Settings", [this] { settingsItemClick(); });
    m_reportsItem = item(m_fileMenu, "Mnu_Reports", "&View Reports", [this] { viewReportsClick(); });
    item(m_fileMenu, "UpdateDataItem", "&Update Data Files", [this] { updateDataItemClick(); });
    m_fileMenu->addSeparator();
    item(m_fileMenu, "DefaultFtpItem", "Default &FTP Script", [this] { defaultScriptItemClick(SiteScript::FtpNew); });
    QMenu* scripts = m_fileMenu->addMenu(QStringLiteral("Default &Email Scripts"));
    scripts->setObjectName(QStringLiteral("DefaultEmailMenu"));
    item(scripts, "DefaultEmailNewItem", "&New", [this] { defaultScriptItemClick(SiteScript::EmailNew); });
    item(scripts, "DefaultEmailUpdateItem", "&Update", [this] { defaultScriptItemClick(SiteScript::EmailUpdate); });
    m_fileMenu->addSeparator();
    item(m_fileMenu, "ImportPadItem", "&Import PAD File...", [this] { importPadItemClick(); });
    item(m_fileMenu, "ImportPadUrlItem", "Import PAD File from U&RL...", [this] { importPadUrlItemClick(); });
    item(m_fileMenu, "ExportPadItem", "Ex&port PAD File...", [this] { exportPadItemClick(); });
    m_fileMenu->addSeparator();
    item(m_fileMenu, "ExitItem", "E&xit", [this] { close(); });

    m_helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    m_helpMenu->setObjectName(QStringLiteral("Mnu_Help"));
    item(m_helpMenu, "HelpItem", "&Help", [this] { m_model->showHelp(); });
    m_helpMenu->addSeparator();
    item(m_helpMenu, "ZentrelHomeItem", "&Zentrel Home Page",
         [this] { m_model->openPage(MainModel::zentrelHomePage()); });
    item(m_helpMenu, "MakerHomeItem", "Halvern HQ Home &Page",
         [this] { m_model->openPage(MainModel::makerHomePage()); });
    m_helpMenu->addSeparator();
    QAction* about = item(m_helpMenu, "AboutItem", "&About", [this] { aboutItemClick(); });
    // A text field with the focus keeps Ctrl+A as select-all: it claims the key first.
    about->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
}

QWidget* TMainFrm::buildAppInfoTab()
{
    const auto run = [this](const std::function<void()>& c) { runCommand(c); };
    MainModel& model = *m_model;
    m_appInfoTabs = new QTabWidget;
    m_appInfoTabs->setObjectName(QStringLiteral("AppInfoTabs"));
    m_appPages = new TApplicationPages(model.application(), model.applicationChooser(), *m_prompts, run, this);
    connect(m_appPages, &TApplicationPages::applicationChosen, this,
            [this] { runCommand([this] { m_model->application().LoadApplication(); }); });
    connect(m_appPages, &TApplicationPages::newClicked, this,
            [this] { runCommand([this] { m_model->newApplication(); }); });
    connect(m_appPages, &TApplicationPages::deleteClicked, this,
            [this] { runCommand([this] { m_model->application().DeleteApplication(); }); });
    connect(m_appPages, &TApplicationPages::saveClicked, this,
            [this] { runCommand([this] { m_model->saveApplication(); }); });
    m_appInfoTabs->addTab(m_appPages->general(), QStringLiteral("General"));
    m_appInfoTabs->addTab(m_appPages->locations(), QStringLiteral("Locations"));
    m_appInfoTabs->addTab(m_appPages->description(), QStringLiteral("Description"));
    m_companyPage = new TCompanyPage(model.company(), model.companyChooser(), run);
    connect(m_companyPage, &TCompanyPage::saveApplicationClicked, this,
            [this] { runCommand([this] { m_model->saveApplication(); }); });
    connect(m_companyPage, &TCompanyPage::bhsAccountRequested, this, [this] {
        TBHSFrm bhs(m_model->company(), m_model->settings(), *m_prompts, this);
        bhs.exec();
    });
    m_appInfoTabs->addTab(m_companyPage, QStringLiteral("Company Information"));
    setHelpTopic(m_companyPage, CompanyTopic);
    setHelpTopic(m_appPages->general(), GeneralTopic);
    setHelpTopic(m_appPages->locations(), LocationsTopic);
    setHelpTopic(m_appPages->description(), DescriptionTopic);
    return m_appInfoTabs;
}

QWidget* TMainFrm::buildSitesTab()
{
    MainModel& model = *m_model;
    ApplicationSiteList& list = model.siteList();
    m_sitesPage = new TSitesPage(list, *m_prompts, [this](const std::function<void()>& c) { runCommand(c); });
    setHelpTopic(m_sitesPage, SitesTopic);
    list.setVerifier([this](const SiteCounts& counts) {
        TSubmissionVerifyFrm verify(m_model->application().name(), m_model->company().name(), counts, this);
        return verify.exec() == QDialog::Accepted;
    });
    connect(&list, &ApplicationSiteList::showSitesTabRequested, this,
            [this] { m_tabs->setCurrentWidget(m_sitesPage); });
    connect(m_sitesPage, &TSitesPage::saveChangesClicked, this, [this] {
        BusyCursor busy(*m_prompts);
        m_model->siteList().Save(m_model->application().name());
    });
    connect(m_sitesPage, &TSitesPage::gridLinesClicked, this, [this](bool on) {
        runCommand([this, on] { m_model->settings().setUseGridLines(m_model->settingsFile(), on); });
        m_sitesPage->setGridLines(on);
    });
    // The row's site is chosen first, so entering the tab loads no other site.
    connect(m_sitesPage, &TSitesPage::viewInSiteBuilder, this, [this](const QString& site) {
        runCommand([this, site] { m_model->siteBuilder().selectSite(site); });
        m_tabs->setCurrentWidget(m_siteBuilder);
    });
    return m_sitesPage;
}

QWidget* TMainFrm::buildSubmitTab()
{
    m_submitPage = new TSubmitPage(m_model->displays());
    connect(m_submitPage, &TSubmitPage::submitClicked, this, &TMainFrm::submitBtnClick);
    connect(m_submitPage, &TSubmitPage::skipClicked, this, &TMainFrm::skipClick);
    connect(m_submitPage, &TSubmitPage::cancelClicked, this, &TMainFrm::cancelClick);
    connect(m_submitPage, &TSubmitPage::viewReportsClicked, m_reportsItem, &QAction::trigger);
    connect(m_submitPage, &TSubmitPage::printLogClicked, this, [this] { runCommand([this] { printLogClick(); }); });
    connect(m_submitPage, &TSubmitPage::exitClicked, this, &QWidget::close);
    return m_submitPage;
}

QWidget* TMainFrm::buildSiteBuilderTab()
{
    m_siteBuilder = new TSiteBuilderPage(m_model->siteBuilder(), *m_prompts, m_variables,
                                         [this](const std::function<void()>& c) { runCommand(c); });
    m_siteBuilder->setContribution(new SiteContribution(m_model->company(), m_model->siteBuilder(), *m_prompts,
                                                        m_model->settingsFile(), m_siteBuilder));
    setHelpTopic(m_siteBuilder, SiteDetailsTopic);
    setHelpTopic(m_siteBuilder->detailsPage(), SiteDetailsTopic);
    setHelpTopic(m_siteBuilder->httpPage(), SiteHttpTopic);
    setHelpTopic(m_siteBuilder->ftpPage(), SiteFtpTopic);
    setHelpTopic(m_siteBuilder->emailPage(), SiteEmailTopic);
    return m_siteBuilder;
}

QWidget* TMainFrm::siteBuilderTab() const
{
    return m_siteBuilder;
}

void TMainFrm::mainTabChanged(int index)
{
    if (m_redirecting)
        return;
    QWidget* page = m_tabs->widget(index);
    const auto backToAppInfo = [this](bool companyPage) {
        m_redirecting = true;
        m_tabs->setCurrentWidget(m_appInfoTabs);
        if (companyPage)
            m_appInfoTabs->setCurrentWidget(m_companyPage);
        m_redirecting = false;
    };
    // Sites need a company and an application to belong to.
    if ((page == m_appInfoTabs || page == m_sitesPage) && m_model->company().name().isEmpty()) {
        m_prompts->error(QStringLiteral("You have not entered your company info. Please do so now!"));
        backToAppInfo(true);
        runCommand([this] { m_model->company().NewCompany(); });
        return;
    }
    if (page == m_sitesPage && m_model->application().name().isEmpty()) {
        m_prompts->error(QStringLiteral("You have not entered or selected an application yet. Please do so now!"));
        backToAppInfo(false);
        return;
    }
    ApplicationSiteList& list = m_model->siteList();
    if (page == m_sitesPage && !list.isEmpty()) {
        list.CheckSitesToPost(false);
        m_sitesPage->grid()->setFocus();
    } else if (page == m_submitPage) {
        list.CheckSitesToPost(false);
    } else if (page == m_siteBuilder) {
        runCommand([this] { m_model->siteBuilder().enterTab(); });
    }
}

void TMainFrm::submitBtnClick()
{
    // The run shows its own errors; nothing it raises reaches the window.
    m_model->run().submitBtnClick();
}

void TMainFrm::skipClick()
{
    m_model->run().skipClick();
}

void TMainFrm::cancelClick()
{
    m_model->run().cancelClick();
}

bool TMainFrm::PageControl1Changing()
{
    return m_model->tabChangeAllowed();
}

void TMainFrm::postingChanged(bool posting)
{
    if (posting) {
        // Everything that could start another command or leave the run behind.
        m_lockedActions.clear();
        m_lockedButtons.clear();
        const auto lockMenu = [this](QMenu* menu) {
            m_lockedActions.emplace_back(menu->menuAction(), menu->menuAction()->isEnabled());
            for (QAction* a : menu->findChildren<QAction*>())
                m_lockedActions.emplace_back(a, a->isEnabled());
        };
        lockMenu(m_fileMenu);
        lockMenu(m_helpMenu);
        for (QWidget* b : std::initializer_list<QWidget*>{m_submitPage->submitButton(), m_submitPage->viewReportsButton(),
                                                          m_submitPage->printLogButton(), m_submitPage->exitButton()})
            m_lockedButtons.emplace_back(b, b->isEnabled());
        for (auto& [action, enabled] : m_lockedActions)
            action->setEnabled(false);
        for (auto& [button, enabled] : m_lockedButtons)
            button->setEnabled(false);
    } else {
        for (auto& [action, enabled] : m_lockedActions)
            action->setEnabled(enabled);
        for (auto& [button, enabled] : m_lockedButtons)
            button->setEnabled(enabled);
        m_lockedActions.clear();
        m_lockedButtons.clear();
    }
}

bool TMainFrm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_shown && !m_activated) {
        m_activated = true;
        m_model->siteList().CheckSitesToPost(false);
    }
    return QMainWindow::event(event);
}

void TMainFrm::startUp()
{
    m_model->startWorkspace();
}

void TMainFrm::settingsItemClick()
{
    TSettingsForm form(m_model->settings(), m_model->settingsFile(), this);
    setHelpTopic(&form, SitesTopic);
    QShortcut help(QKeySequence(Qt::Key_F1), &form);
    connect(&help, &QShortcut::activated, this, &TMainFrm::contextHelp);
    connect(&form, &TSettingsForm::saveFailed, this, [this](const QString& message) { m_prompts->error(message); });
    form.exec();
}

void TMainFrm::viewReportsClick()
{
    if (m_model->hasWorkspace())
        TReportsListFrm::showReports(this, *m_prompts, m_model->workspace().ReportsDir());
}

void TMainFrm::aboutItemClick()
{
    bool checker = false;
    {
        TAboutFrm about(this);
        connect(&about, &TAboutFrm::homePageClicked, this,
                [this] { runCommand([this] { m_model->openPage(MainModel::makerHomePage()); }); });
        about.exec();
        checker = about.checkerRequested();
    }
    // The box is gone before the checker shows.
    if (checker)
        engineCheckerClick();
}

void TMainFrm::engineCheckerClick()
{
    TEngBuild* engine = m_model->engine();
    if (!engine)
        return;
    TEngineCheckFrm checker(*engine, *m_prompts, this);
    checker.exec();
}

void TMainFrm::defaultScriptItemClick(SiteScript script)
{
    if (!m_model->hasWorkspace())
        return;
    TDefaultScriptFrm editor(script, m_model->workspace().DataDir(), *m_prompts, this);
    editor.loadScript();
    editor.exec();
}

bool TMainFrm::padPreview(const QString& source, const QList<PadImportRow>& rows)
{
    TPadImportFrm preview(source, rows, this);
    return preview.exec() == QDialog::Accepted;
}

void TMainFrm::importPadItemClick()
{
    m_model->padImporter().preview = [this](const QString& source, const QList<PadImportRow>& rows) {
        return padPreview(source, rows);
    };
    m_model->padImporter().importFile();
}

void TMainFrm::importPadUrlItemClick()
{
    PadImporter& importer = m_model->padImporter();
    QString url;
    {
        TPadUrlFrm ask(importer.keptPadUrl(), this);
        if (ask.exec() != QDialog::Accepted)
            return;
        url = ask.url();
    }
    PadFetch fetch(m_model->settings());
    QProgressDialog progress(QStringLiteral("Fetching the PAD file..."), QStringLiteral("Cancel"), 0, 0, this);
    progress.setObjectName(QStringLiteral("PadFetchProgress"));
    progress.setWindowTitle(QStringLiteral("Import PAD File from URL"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumWidth(420);
    // Shown while the exchange runs and no longer: the preview, or the message
    // of a fetch that failed, stands alone.
    progress.reset();
    connect(&fetch, &PadFetch::started, &progress, &QProgressDialog::show);
    connect(&fetch, &PadFetch::finished, &progress, &QProgressDialog::hide);
    connect(&fetch, &PadFetch::statusChanged, &progress, &QProgressDialog::setLabelText);
    connect(&progress, &QProgressDialog::canceled, &fetch, &PadFetch::cancel);
    importer.preview = [this](const QString& source, const QList<PadImportRow>& rows) {
        return padPreview(source, rows);
    };
    importer.importUrl(url, fetch);
}

void TMainFrm::exportPadItemClick()
{
    PadExporter& exporter = m_model->padExporter();
    if (!exporter.canExport())
        return;
    TPadExportFrm dialog(exporter, *m_prompts, this);
    dialog.exec();
}

void TMainFrm::printLogClick()
{
    if (!m_model->hasLogToPrint())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Zentrel Log"));
    if (!m_printChooser->choose(printer, this))
        return;
    BusyCursor busy(*m_prompts);
    if (LogPrinter::print(printer, m_model->displays().logLines(), m_submitPage->logList()->font()) == 0)
        throw ZentrelError(QStringLiteral("Unable to print the log."));
}

int TMainFrm::helpTopicOf(const QWidget* widget)
{
    for (; widget; widget = widget->parentWidget()) {
        const QVariant topic = widget->property(HelpTopicProperty);
        if (topic.isValid())
            return topic.toInt();
    }
    return 0;
}

void TMainFrm::contextHelp()
{
    // Help is locked with the Help menu while a run goes.
    if (m_model->displays().Posting())
        return;
    const QWidget* focus = QApplication::focusWidget();
    runCommand([this, focus] { m_model->showHelp(helpTopicOf(focus)); });
}

void TMainFrm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        formShow();
    }
}

void TMainFrm::formShow()
{
    runCommand([this] { m_model->formShow(); });
    Hints::setEnabled(m_model->settings().showHints);
    m_sitesPage->setGridLines(m_model->settings().useGridLines);
    // The catalogue is there now; no site is chosen until the user picks one or enters the tab.
    m_siteBuilder->showSite();
    m_tabs->setCurrentIndex(0);
    m_appInfoTabs->setCurrentWidget(m_companyPage);
    emit firstShown();
}

void TMainFrm::updateDataItemClick()
{
    // After an update the window closes without asking, so unsaved changes are asked about first.
    if (!m_model->dataUpdateQuery())
        return;
    bool updated = false;
    {
        Tgeteng update(*m_prompts, m_model->settings(), DataUpdate::Folders::of(m_model->workspace()), this);
        update.exec();
        updated = update.updated();
    }
    if (updated)
        m_model->restartAfterUpdate();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    bool close = false;
    runCommand([this, &close] { close = m_model->closeQuery(); });
    if (close) {
        m_model->windowClosing();
        event->accept();
    }
    else
        event->ignore();
}

void TMainFrm::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
