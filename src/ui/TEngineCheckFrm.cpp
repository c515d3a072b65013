#include "ui/TEngineCheckFrm.h"

#include "records/UserPrompts.h"
#include "ui/TMassChangeFrm.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>
#include <QVBoxLayout>

TEngineCheckFrm::TEngineCheckFrm(TEngBuild& engine, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_checker(engine, prompts)
{
    setObjectName(QStringLiteral("EngineCheckFrm"));
    setWindowTitle(QStringLiteral("Engine Checker"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_editor = new QPlainTextEdit(this);
    m_editor->setObjectName(QStringLiteral("ScriptMemo"));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_errorList = new QListWidget(this);
    m_errorList->setObjectName(QStringLiteral("ErrorList"));
    m_errorList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_errorList->setEnabled(false); // until a check has run
    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("FileNameEdit"));
    m_fileName->setReadOnly(true);

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_begin = button("BeginBtn", QStringLiteral("Begin Checking"));
    m_load = button("LoadBtn", QStringLiteral("Load Selected Script"));
    m_save = button("SaveBtn", QStringLiteral("Save Script"));
    m_massChange = button("MassChangeBtn", QStringLiteral("Mass Change"));
    m_exit = button("ExitBtn", QStringLiteral("Exit"));
    connect(m_begin, &QPushButton::clicked, this, &TEngineCheckFrm::beginBtnClick);
    connect(m_load, &QPushButton::clicked, this, &TEngineCheckFrm::loadBtnClick);
    connect(m_save, &QPushButton::clicked, this, &TEngineCheckFrm::saveBtnClick);
    connect(m_massChange, &QPushButton::clicked, this, &TEngineCheckFrm::massChangeBtnClick);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_errorList, &QListWidget::itemDoubleClicked, this, &TEngineCheckFrm::loadBtnClick);

    // Drawn over the window while the check runs; nothing else moves meanwhile.
    m_panel = new QLabel(QStringLiteral("Checking All Engines. Please Wait..."), this);
    m_panel->setObjectName(QStringLiteral("CheckingPanel"));
    m_panel->setAlignment(Qt::AlignCenter);
    m_panel->setFrameShape(QFrame::Panel);
    m_panel->setFrameShadow(QFrame::Raised);
    m_panel->setLineWidth(2);
    m_panel->setAutoFillBackground(true);
    QFont bold = m_panel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_panel->setFont(bold);
    m_panel->hide();

    m_checker.setWorkingDisplay([this](bool working) { showWorking(working); });

    auto* file = new QHBoxLayout;
    file->addWidget(new QLabel(QStringLiteral("File:"), this));
    file->addWidget(m_fileName, 1);
    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(m_editor, 1);
    topLayout->addLayout(file);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(m_errorList);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_begin);
    buttons->addWidget(m_load);
    buttons->addWidget(m_save);
    buttons->addWidget(m_massChange);
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(760, 540);
}

void TEngineCheckFrm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placePanel();
}

void TEngineCheckFrm::placePanel()
{
    const QSize size = m_panel->sizeHint() + QSize(60, 40);
    m_panel->setGeometry(QRect(rect().center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void TEngineCheckFrm::showWorking(bool working)
{
    m_begin->setEnabled(!working);
    m_exit->setEnabled(!working);
    m_errorList->setEnabled(!working);
    if (working) {
        m_load->setEnabled(false);
        m_errorList->clear();
        m_editor->clear();
        m_fileName->clear();
        placePanel();
        m_panel->show();
        m_panel->raise();
        // The check keeps the event loop waiting, so the panel is drawn now.
        if (isVisible())
            repaint();
        return;
    }
    m_panel->hide();
    const QList<CheckFinding>& findings = m_checker.findings();
    for (const CheckFinding& finding : findings) {
        // A failing name may run over line breaks; the row still takes one line.
        QString row = finding.rowText();
        const QChar pilcrow(0xB6);
        row.replace(QStringLiteral("\r\n"), QString(pilcrow));
        row.replace(u'\r', pilcrow);
        row.replace(u'\n', pilcrow);
        auto* item = new QListWidgetItem(row, m_errorList);
        item->setToolTip(finding.path);
    }
    m_load->setEnabled(!findings.isEmpty());
    showLoadedScript();
}

void TEngineCheckFrm::showLoadedScript()
{
    m_fileName->setText(m_checker.fileName());
    m_editor->setPlainText(QString(m_checker.script()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (m_checker.loadedRow() >= 0)
        m_errorList->setCurrentRow(m_checker.loadedRow());
}

void TEngineCheckFrm::beginBtnClick()
{
    m_checker.beginChecking();
}

void TEngineCheckFrm::loadBtnClick()
{
    if (m_errorList->count() == 0 || m_errorList->currentRow() < 0)
        return;
    m_editor->clear();
    m_checker.loadFinding(m_errorList->currentRow());
    showLoadedScript();
}

void TEngineCheckFrm::saveBtnClick()
{
    // The raw text keeps a no-break space a no-break space; only the line breaks are the document's own.
    QString text = m_editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    m_checker.saveScript(text);
}

void TEngineCheckFrm::massChangeBtnClick()
{
    TMassChangeFrm dialog(m_prompts, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_checker.massChange(dialog.fromText(), dialog.toText());
}
