#include "ui/TVariablesFrm.h"

#include "engines/ScriptVariables.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

TVariablesFrm::TVariablesFrm(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("VariablesFrm"));
    setWindowTitle(QStringLiteral("VodaZazerer Variables"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("VariableList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Variable"), QStringLiteral("Description")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    for (const ScriptVariable& v : scriptVariables()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, u'%' + QLatin1String(v.name) + u'%');
        item->setText(1, QLatin1String(v.pickerText));
    }
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { useSelected(); });

    auto* use = new QPushButton(QStringLiteral("Use Selected"), this);
    use->setObjectName(QStringLiteral("UseSelectedBtn"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("CloseBtn"));
    connect(use, &QPushButton::clicked, this, [this] { useSelected(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(use);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    resize(440, 420);
}

void TVariablesFrm::open()
{
    m_list->setCurrentItem(m_list->topLevelItem(0));
    if (!m_placed && m_mainWindow) {
        // Beside the main window where the screen has room, so the field stays in view.
        m_placed = true;
        const QRect main = m_mainWindow->frameGeometry();
        const QRect screen = m_mainWindow->screen()->availableGeometry();
        int x = main.right() + 8;
        if (x + width() > screen.right())
            x = std::max(screen.left(), main.left() - width() - 8);
        move(x, main.top());
    }
    show();
    raise();
    activateWindow();
    m_list->setFocus();
}

bool TVariablesFrm::useSelected()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    QWidget* target = m_mainWindow ? m_mainWindow->focusWidget() : nullptr;
    if (!item || !target)
        return false;
    const QString token = item->text(0);
    if (auto* line = qobject_cast<QLineEdit*>(target); line && !line->isReadOnly() && line->isEnabled())
        line->insert(token);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(target); plain && !plain->isReadOnly() && plain->isEnabled())
        plain->insertPlainText(token);
    else if (auto* rich = qobject_cast<QTextEdit*>(target); rich && !rich->isReadOnly() && rich->isEnabled())
        rich->insertPlainText(token);
    else
        return false;
    m_mainWindow->activateWindow();
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TVariablesFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            useSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

template <typename Field>
void addVariableList(Field* field, TVariablesFrm* picker)
{
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(field, &QWidget::customContextMenuRequested, field, [field, picker](const QPoint& at) {
        std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
        menu->addSeparator();
        QAction* list = menu->addAction(QStringLiteral("Variable List"));
        QObject::connect(list, &QAction::triggered, picker, [field, picker] {
            field->setFocus(Qt::OtherFocusReason);
            picker->open();
        });
        menu->exec(field->mapToGlobal(at));
    });
}

} // namespace

void TVariablesFrm::attachTo(QLineEdit* field, TVariablesFrm* picker)
{
    addVariableList(field, picker);
}

void TVariablesFrm::attachTo(QPlainTextEdit* field, TVariablesFrm* picker)
{
    addVariableList(field, picker);
}
