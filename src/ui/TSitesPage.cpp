#include "ui/TSitesPage.h"

#include "records/UserPrompts.h"
#include "submit/ApplicationSiteList.h"
#include "ui/InputRules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QListView>
#include <QPalette>
#include <QStringListModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The box's own face; set through the palette, so its drop-down list keeps the
// style's highlight and the chosen entry stays readable there.
const QColor SilverGrey(192, 192, 192);
const QColor White(255, 255, 255);

} // namespace

TSitesPage::TSitesPage(ApplicationSiteList& list, UserPrompts& prompts,
                       std::function<void(const std::function<void()>&)> run, QWidget* parent)
    : QWidget(parent), m_list(list), m_prompts(prompts), m_run(std::move(run))
{
    setObjectName(QStringLiteral("SitesTab"));

    // The counts and the buttons above the grid.
    m_available = new QLabel(QStringLiteral("0"), this);
    m_available->setObjectName(QStringLiteral("AvailableLbl"));
    m_total = new QLabel(QStringLiteral("0"), this);
    m_total->setObjectName(QStringLiteral("TotalToPostLbl"));
    auto* counts = new QHBoxLayout;
    counts->addWidget(new QLabel(QStringLiteral("Current Available Sites:"), this));
    counts->addWidget(m_available);
    counts->addSpacing(24);
    counts->addWidget(new QLabel(QStringLiteral("Total To Post::"), this));
    counts->addWidget(m_total);
    counts->addStretch(1);
    m_gridLines = new QCheckBox(QStringLiteral("Use Grid Lines"), this);
    m_gridLines->setObjectName(QStringLiteral("GridLinesCheck"));
    m_gridLines->setToolTip(QStringLiteral("Draw lines between the grid's rows and columns"));
    counts->addWidget(m_gridLines);
    connect(m_gridLines, &QCheckBox::clicked, this, &TSitesPage::gridLinesClicked);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const char* caption, const char* hint, std::function<void()> action) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        connect(b, &QPushButton::clicked, this, [this, action] {
            m_run(action);
            backToGrid();
        });
        buttons->addWidget(b);
        return b;
    };
    button("AllNewBtn", "All \"New\"", "Submit every site as a new listing", [this] { m_list.allNew(); });
    button("AllPostBtn", "All \"Post\"", "Post to every site that suits the application", [this] { m_list.allPost(); });
    button("AllUpdateBtn", "All \"Update\"", "Submit every site as an update", [this] { m_list.allUpdate(); });
    button("AllNoPostBtn", "All \"No Post\"", "Post to no site", [this] { m_list.allNoPost(); });
    buttons->addStretch(1);
    button("SaveChangesBtn", "Save Changes", "Save the site choices of this application",
           [this] { emit saveChangesClicked(); });
    button("GoToUrlBtn", "Go to URL", "Open the selected site's web page", [this] { m_list.goToUrl(); });

    // The grid: whole rows, read-only, one fixed row height so thousands of rows fill at once.
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("SiteGrid"));
    m_grid->setModel(&list);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setShowGrid(false);
    m_grid->setWordWrap(false);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setHighlightSections(false);
    const int widths[ApplicationSiteList::ColumnCount] = {170, 74, 58, 110, 110, 24, 24, 24, 24, 80, 24};
    for (int c = 0; c < ApplicationSiteList::ColumnCount; ++c)
        m_grid->setColumnWidth(c, widths[c]);
    m_grid->installEventFilter(this);

    // The detail box of the selected row.
    auto* detail = new QGroupBox(this);
    detail->setObjectName(QStringLiteral("DetailBox"));

    m_post = new QCheckBox(QStringLiteral("Submit to this software site as"), detail);
    m_post->setObjectName(QStringLiteral("PostCheck"));
    m_post->setToolTip(QStringLiteral("Post to this site in the next submission run"));
    m_new = new QRadioButton(QStringLiteral("a NEW first time submission"), detail);
    m_new->setObjectName(QStringLiteral("NewRadio"));
    m_update = new QRadioButton(QStringLiteral("an UPDATE to an Existing Listing"), detail);
    m_update->setObjectName(QStringLiteral("UpdateRadio"));
    auto* group = new QButtonGroup(detail);
    group->addButton(m_new);
    group->addButton(m_update);
    m_cat1Caption = new QLabel(QStringLiteral("Primary Category:"), detail);
    m_cat2Caption = new QLabel(QStringLiteral("Secondary Category:"), detail);
    m_cat1 = new QComboBox(detail);
    m_cat1->setObjectName(QStringLiteral("CatCombo1"));
    m_cat1->setToolTip(QStringLiteral("The category the site lists the application under"));
    m_cat2 = new QComboBox(detail);
    m_cat2->setObjectName(QStringLiteral("CatCombo2"));
    m_cat2->setToolTip(QStringLiteral("The site's second category for the application"));
    for (QComboBox* combo : {m_cat1, m_cat2}) {
        combo->setEditable(false);
        InputRules::dropKeyPresses(combo);
        // Long lists: the box is not sized by its entries, and its list lays out
        // only the rows it shows.
        combo->setModel(new QStringListModel(combo));
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(16);
        if (auto* view = qobject_cast<QListView*>(combo->view()))
            view->setUniformItemSizes(true);
    }
    auto* up = new QToolButton(detail);
    up->setObjectName(QStringLiteral("UpBtn"));
    up->setArrowType(Qt::UpArrow);
    up->setToolTip(QStringLiteral("The previous site"));
    auto* down = new QToolButton(detail);
    down->setObjectName(QStringLiteral("DownBtn"));
    down->setArrowType(Qt::DownArrow);
    down->setToolTip(QStringLiteral("The next site"));
    // Below the grid, so the grid has the window's width for its eleven columns.
    auto* arrows = new QVBoxLayout;
    arrows->addWidget(up);
    arrows->addWidget(down);
    auto* detailLayout = new QGridLayout(detail);
    detailLayout->addWidget(m_post, 0, 0);
    detailLayout->addWidget(m_new, 1, 0);
    detailLayout->addWidget(m_update, 2, 0);
    detailLayout->addWidget(m_cat1Caption, 0, 1);
    detailLayout->addWidget(m_cat1, 1, 1);
    detailLayout->addWidget(m_cat2Caption, 0, 2);
    detailLayout->addWidget(m_cat2, 1, 2);
    detailLayout->addLayout(arrows, 0, 3, 3, 1);
    detailLayout->setColumnStretch(1, 1);
    detailLayout->setColumnStretch(2, 1);
    detailLayout->setHorizontalSpacing(14);

    connect(m_post, &QCheckBox::clicked, this, [this](bool checked) {
        bool accepted = false;
        m_run([&] { accepted = m_list.setPost(checked); });
        if (accepted)
            backToGrid();
    });
    connect(m_new, &QRadioButton::clicked, this, [this] {
        m_list.setSubmitNew(true);
        backToGrid();
    });
    connect(m_update, &QRadioButton::clicked, this, [this] {
        m_list.setSubmitNew(false);
        backToGrid();
    });
    connect(m_cat1, &QComboBox::activated, this, [this] {
        m_list.setCategory(1, m_cat1->currentText());
        backToGrid();
    });
    connect(m_cat2, &QComboBox::activated, this, [this] {
        m_list.setCategory(2, m_cat2->currentText());
        backToGrid();
    });
    connect(up, &QToolButton::clicked, &m_list, &ApplicationSiteList::moveUp);
    connect(down, &QToolButton::clicked, &m_list, &ApplicationSiteList::moveDown);

    // The grid and the list keep one selected row.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { m_list.setCurrentRow(current.isValid() ? current.row() : -1); });
    connect(&list, &ApplicationSiteList::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_grid->currentIndex().row() != row) {
            m_grid->selectRow(row);
            m_grid->scrollTo(m_list.index(row, 0));
        }
        if (row >= 0 && isVisible())
            backToGrid();
        showSelectedRow();
    });
    connect(&list, &ApplicationSiteList::currentRowUpdated, this, &TSitesPage::showSelectedRow);
    connect(&list, &QAbstractItemModel::modelReset, this,
            [this] { m_available->setText(QString::number(m_list.rowCount())); });
    connect(&list, &ApplicationSiteList::totalToPostChanged, this,
            [this](int total) { m_total->setText(QString::number(total)); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] { m_run([this] { m_list.goToUrl(); }); });
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { contextMenu()->exec(m_grid->viewport()->mapToGlobal(at)); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(counts);
    layout->addLayout(buttons);
    layout->addWidget(m_grid, 1);
    layout->addWidget(detail);

    showSelectedRow();
}

void TSitesPage::setGridLines(bool on)
{
    m_gridLines->setChecked(on);
    m_grid->setShowGrid(on);
}

void TSitesPage::backToGrid()
{
    m_grid->setFocus(Qt::OtherFocusReason);
}

void TSitesPage::fillCategory(int which)
{
    QComboBox* combo = categoryCombo(which);
    QLabel* caption = which == 1 ? m_cat1Caption : m_cat2Caption;
    const int row = m_list.currentRow();
    const QStringList labels = row >= 0 ? m_list.categoryLabels(row, which) : QStringList();
    const QSignalBlocker block(combo);
    auto* model = static_cast<QStringListModel*>(combo->model());
    // The same list as before (kept by the site list) is not filled in again.
    const QStringList shown = model->stringList();
    if (shown.size() != labels.size() || shown.constData() != labels.constData())
        model->setStringList(labels);
    const bool on = !labels.isEmpty();
    if (on) {
        const QString& chosen = which == 1 ? m_list.rows().at(row).category1 : m_list.rows().at(row).category2;
        // Choosing here shows the value; the row itself keeps what it holds.
        const int at = int(labels.indexOf(chosen));
        combo->setCurrentIndex(at >= 0 ? at : 0);
    }
    combo->setEnabled(on);
    caption->setEnabled(on);
    const QColor& colour = on ? White : SilverGrey;
    if (combo->palette().color(QPalette::Button) != colour) {
        QPalette palette = combo->palette();
        palette.setColor(QPalette::Button, colour);
        combo->setPalette(palette);
    }
}

void TSitesPage::showSelectedRow()
{
    const int row = m_list.currentRow();
    // Without a selected row there is nothing for the box to change.
    for (QWidget* control : {static_cast<QWidget*>(m_post), static_cast<QWidget*>(m_new),
                             static_cast<QWidget*>(m_update)})
        control->setEnabled(row >= 0);
    if (row < 0) {
        m_post->setChecked(false);
        fillCategory(1);
        fillCategory(2);
        return;
    }
    const SiteListRow& r = m_list.rows().at(row);
    (r.submit == u"New" ? m_new : m_update)->setChecked(true);
    fillCategory(1);
    fillCategory(2);
    m_post->setChecked(r.post == u"Y");
}

QMenu* TSitesPage::contextMenu()
{
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("SiteGridMenu"));
        m_postItem = m_menu->addAction(QString());
        m_submitItem = m_menu->addAction(QString());
        m_dateItem = m_menu->addAction(QString());
        m_menu->addSeparator();
        QAction* view = m_menu->addAction(QStringLiteral("View in Site Builder"));
        QAction* url = m_menu->addAction(QStringLiteral("Go To Sites URL"));
        connect(m_postItem, &QAction::triggered, this, [this] { m_run([this] { m_list.togglePost(); }); });
        connect(m_submitItem, &QAction::triggered, this, [this] { m_list.toggleSubmit(); });
        connect(m_dateItem, &QAction::triggered, this, [this] {
            m_list.toggleLastPost();
            backToGrid();
        });
        connect(view, &QAction::triggered, this, &TSitesPage::viewSelectedInSiteBuilder);
        connect(url, &QAction::triggered, this, [this] { m_run([this] { m_list.goToUrl(); }); });
    }
    const int row = m_list.currentRow();
    const SiteListRow r = row >= 0 ? m_list.rows().at(row) : SiteListRow();
    m_postItem->setText(r.post == u"Y" ? QStringLiteral("Set Post To NO") : QStringLiteral("Set Post To YES"));
    m_submitItem->setText(r.submit == u"New" ? QStringLiteral("Set as Post UPDATE") : QStringLiteral("Set as Post NEW"));
    m_dateItem->setText(r.lastPost != u"Unknown" ? QStringLiteral("Set Last Post Date To Unknown")
                                                 : QStringLiteral("Set Last Post Date To NOW"));
    for (QAction* a : m_menu->actions())
        a->setEnabled(row >= 0);
    return m_menu;
}

void TSitesPage::viewSelectedInSiteBuilder()
{
    const int row = m_list.currentRow();
    if (row >= 0)
        emit viewInSiteBuilder(m_list.rows().at(row).site);
}

bool TSitesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            viewSelectedInSiteBuilder();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
