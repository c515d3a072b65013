#include "ui/TMainFrm.h"

#include "records/ZentrelError.h"
#include "ui/ChooserBinding.h"
#include "ui/InputRules.h"
#include "ui/QtUserPrompts.h"
#include "ui/TApplicationPages.h"
#include "ui/TCompanyPage.h"
#include "engines/TEngBuild.h"
#include "records/UserPrompts.h"
#include "ui/TSettingsForm.h"
#include "ui/TSitesPage.h"
#include "ui/TSubmissionVerifyFrm.h"
#include "ui/TVariablesFrm.h"
#include "workflow/MainModel.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTableView>

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
    m_model = std::make_unique<MainModel>(*m_prompts, baseDirectory, userSettingsFile);

    setWindowTitle(QStringLiteral("Zentrel 2.13"));
    buildMenus();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("MainTabs"));
    m_tabs->addTab(buildAppInfoTab(), QStringLiteral("App Info"));
    m_tabs->addTab(buildSitesTab(), QStringLiteral("Sites"));
    auto* submit = new QWidget(m_tabs);
    submit->setObjectName(QStringLiteral("SubmitTab"));
    m_tabs->addTab(submit, QStringLiteral("Submit"));
    m_siteBuilder = new QWidget(m_tabs);
    m_siteBuilder->setObjectName(QStringLiteral("SiteBuilderTab"));
    m_tabs->addTab(m_siteBuilder, QStringLiteral("Site Builder"));
    setCentralWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TMainFrm::mainTabChanged);

    // The windows that live as long as the program.
    m_variables = new TVariablesFrm(this);

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

QComboBox* TMainFrm::companyChooser() const
{
    return m_companyPage->chooser();
}

QComboBox* TMainFrm::applicationChooser() const
{
    return m_appPages->chooser();
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
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    QAction* settings = file->addAction(QStringLiteral("&Settings"));
    settings->setObjectName(QStringLiteral("SettingsItem"));
    connect(settings, &QAction::triggered, this, &TMainFrm::settingsItemClick);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("ExitItem"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
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
    m_appInfoTabs->addTab(m_companyPage, QStringLiteral("Company Information"));
    return m_appInfoTabs;
}

QWidget* TMainFrm::buildSitesTab()
{
    MainModel& model = *m_model;
    ApplicationSiteList& list = model.siteList();
    m_sitesPage = new TSitesPage(list, *m_prompts, [this](const std::function<void()>& c) { runCommand(c); });
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
    connect(m_sitesPage, &TSitesPage::viewInSiteBuilder, this, [this](const QString& site) {
        m_tabs->setCurrentWidget(m_siteBuilder);
        runCommand([this, site] {
            if (TEngBuild* engine = m_model->engine()) {
                BusyCursor busy(*m_prompts);
                engine->LoadSite(site);
                engine->setModified(false);
            }
        });
    });
    return m_sitesPage;
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
    } else if (page && page->objectName() == u"SubmitTab") {
        list.CheckSitesToPost(false);
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
    connect(&form, &TSettingsForm::saveFailed, this, [this](const QString& message) { m_prompts->error(message); });
    form.exec();
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
    m_tabs->setCurrentIndex(0);
    m_appInfoTabs->setCurrentWidget(m_companyPage);
    emit firstShown();
}

void TMainFrm::closeEvent(QCloseEvent* event)
{
    bool close = false;
    runCommand([this, &close] { close = m_model->closeQuery(); });
    if (close)
        event->accept();
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
