#include "ui/TNameFrm.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TNameFrm::TNameFrm(const QString& title, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(title);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("nameEdit"));
    m_field->setMinimumWidth(280);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
}

QString TNameFrm::name() const
{
    return m_field->text();
}
