#include "ui/TMainFrm.h"

#include "records/ChooserList.h"
#include "ui/QtUserPrompts.h"
#include "workflow/MainModel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A chooser drop-down: names are picked, never typed.
QComboBox* newChooser(const char* objectName, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(objectName));
    combo->setEditable(false);
    combo->setMinimumWidth(260);
    return combo;
}

} // namespace

TMainFrm::TMainFrm(const QString& baseDirectory, UserPrompts* prompts, const QString& settingsFile)
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
    m_model = std::make_unique<MainModel>(*m_prompts, baseDirectory, settingsFile);

    setWindowTitle(QStringLiteral("Zentrel 2.13"));
    buildMenus();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("MainTabs"));
    m_tabs->addTab(buildAppInfoTab(), QStringLiteral("App Info"));
    auto* sites = new QWidget(m_tabs);
    sites->setObjectName(QStringLiteral("SitesTab"));
    m_tabs->addTab(sites, QStringLiteral("Sites"));
    auto* submit = new QWidget(m_tabs);
    submit->setObjectName(QStringLiteral("SubmitTab"));
    m_tabs->addTab(submit, QStringLiteral("Submit"));
    auto* builder = new QWidget(m_tabs);
    builder->setObjectName(QStringLiteral("SiteBuilderTab"));
    m_tabs->addTab(builder, QStringLiteral("Site Builder"));
    setCentralWidget(m_tabs);

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

void TMainFrm::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("ExitItem"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
}

QWidget* TMainFrm::buildAppInfoTab()
{
    m_appInfoTabs = new QTabWidget;
    m_appInfoTabs->setObjectName(QStringLiteral("AppInfoTabs"));
    m_appInfoTabs->addTab(buildGeneralPage(), QStringLiteral("General"));
    auto* locations = new QWidget;
    locations->setObjectName(QStringLiteral("LocationsPage"));
    m_appInfoTabs->addTab(locations, QStringLiteral("Locations"));
    auto* description = new QWidget;
    description->setObjectName(QStringLiteral("DescriptionPage"));
    m_appInfoTabs->addTab(description, QStringLiteral("Description"));
    m_appInfoTabs->addTab(buildCompanyPage(), QStringLiteral("Company Information"));
    return m_appInfoTabs;
}

QWidget* TMainFrm::buildGeneralPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    auto* form = new QFormLayout(page);
    m_appName = newChooser("AppName", page);
    form->addRow(QStringLiteral("Application Name:"), m_appName);
    bindChooser(m_appName, m_model->applicationChooser());
    return page;
}

QWidget* TMainFrm::buildCompanyPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("CompanyPage"));
    auto* form = new QFormLayout(page);
    m_compname = newChooser("compname", page);
    form->addRow(QStringLiteral("Company Name:"), m_compname);
    bindChooser(m_compname, m_model->companyChooser());
    return page;
}

void TMainFrm::bindChooser(QComboBox* combo, ChooserList& list)
{
    combo->setModel(&list);
    combo->setCurrentIndex(list.currentIndex());
    connect(&list, &ChooserList::currentIndexChanged, combo, [combo](int index) {
        if (combo->currentIndex() != index)
            combo->setCurrentIndex(index);
    });
    connect(combo, &QComboBox::currentIndexChanged, &list, [&list](int index) { list.setCurrentIndex(index); });
    connect(&list, &QAbstractItemModel::modelReset, combo,
            [combo, &list] { combo->setCurrentIndex(list.currentIndex()); });
}

void TMainFrm::startUp()
{
    m_model->startWorkspace();
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
    m_tabs->setCurrentIndex(0);
    m_appInfoTabs->setCurrentIndex(3);
    emit firstShown();
}

void TMainFrm::bringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
