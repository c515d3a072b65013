#include "ui/TErrorFrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TErrorFrm::TErrorFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setWindowTitle(QStringLiteral("ERROR"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    m_first = new QLabel(this);
    m_first->setObjectName(QStringLiteral("firstLine"));
    QFont bold = m_first->font();
    bold.setBold(true);
    m_first->setFont(bold);
    m_second = new QLabel(this);
    m_second->setObjectName(QStringLiteral("secondLine"));
    m_second->setWordWrap(true);
    m_instruction = new QLabel(this);
    m_instruction->setObjectName(QStringLiteral("instructionLine"));

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("okBtn"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* lines = new QVBoxLayout;
    lines->addWidget(m_first);
    lines->addWidget(m_second);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(lines, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_instruction, 1);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    setMinimumWidth(380);
}

void TErrorFrm::setLines(const QString& first, const QString& second, const QString& instruction)
{
    m_first->setText(first);
    m_second->setText(second);
    m_instruction->setText(instruction.isEmpty() ? QStringLiteral("Please click OK to continue...")
                                                 : instruction);
}

QString TErrorFrm::firstLine() const { return m_first->text(); }
QString TErrorFrm::secondLine() const { return m_second->text(); }
QString TErrorFrm::instruction() const { return m_instruction->text(); }
