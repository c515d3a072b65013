#include "ui/TReportsListFrm.h"

#include "records/UserPrompts.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TReportsListFrm::TReportsListFrm(UserPrompts& prompts, const QString& reportsDir, QWidget* parent)
    : QDialog(parent), m_browser(prompts, reportsDir)
{
    setObjectName(QStringLiteral("ReportsListFrm"));
    setWindowTitle(QStringLiteral("Submission Reports"));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("RepListBox"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_goBtn = button("GoBtn", QStringLiteral("GO"));
    m_goBtn->setDefault(true);
    m_upBtn = button("UpBtn", QStringLiteral("UP"));
    m_deleteBtn = button("DeleteBtn", QStringLiteral("Delete"));
    QPushButton* cancel = button("CancelBtn", QStringLiteral("Cancel"));

    connect(m_goBtn, &QPushButton::clicked, this, &TReportsListFrm::GoBtnClick);
    connect(m_upBtn, &QPushButton::clicked, this, &TReportsListFrm::UpBtnClick);
    connect(m_deleteBtn, &QPushButton::clicked, this, &TReportsListFrm::DeleteBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TReportsListFrm::GoBtnClick);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TReportsListFrm::RepListBoxSelectionChange);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_goBtn);
    buttons->addWidget(m_upBtn);
    buttons->addWidget(m_deleteBtn);
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(360, 260);

    refresh();
}

void TReportsListFrm::showReports(QWidget* parent, UserPrompts& prompts, const QString& reportsDir)
{
    TReportsListFrm dialog(prompts, reportsDir, parent);
    if (dialog.browser().nothingFound()) {
        prompts.info(QStringLiteral("No Reports Found")); // the message box sounds its own beep
        return;
    }
    dialog.exec();
}

void TReportsListFrm::refresh()
{
    m_refreshing = true;
    m_list->clear();
    m_list->addItems(m_browser.entries());
    if (m_browser.selected() >= 0)
        m_list->setCurrentRow(m_browser.selected());
    m_upBtn->setEnabled(m_browser.upEnabled());
    m_refreshing = false;
}

void TReportsListFrm::RepListBoxSelectionChange()
{
    if (m_refreshing)
        return;
    const QList<QListWidgetItem*> items = m_list->selectedItems();
    m_browser.select(items.isEmpty() ? -1 : m_list->row(items.first()));
}

void TReportsListFrm::finish(ReportBrowser::Outcome outcome)
{
    refresh();
    if (outcome == ReportBrowser::Outcome::Close)
        accept();
}

void TReportsListFrm::GoBtnClick()
{
    finish(m_browser.go());
}

void TReportsListFrm::UpBtnClick()
{
    m_browser.up();
    refresh();
}

void TReportsListFrm::DeleteBtnClick()
{
    finish(m_browser.deleteSelected());
}
