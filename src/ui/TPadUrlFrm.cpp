#include "ui/TPadUrlFrm.h"

#include "ui/InputRules.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPadUrlFrm::TPadUrlFrm(const QString& address, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PadUrlFrm"));
    setWindowTitle(QStringLiteral("Import PAD File from URL"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_url = InputRules::newEdit(this, "UrlEdit",
                                "The http:// or https:// address of the PAD file, as the publisher's site gives it");
    InputRules::dropTypedSpaces(m_url);
    m_url->setMinimumWidth(460);
    m_url->setText(address);

    m_import = new QPushButton(QStringLiteral("Import"), this);
    m_import->setObjectName(QStringLiteral("ImportBtn"));
    m_import->setDefault(true);
    m_import->setToolTip(QStringLiteral("Fetch the PAD file and show what it imports"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_cancel->setAutoDefault(false);
    m_cancel->setToolTip(QStringLiteral("Import nothing"));
    connect(m_import, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Nothing to fetch without an address.
    const auto follow = [this] { m_import->setEnabled(!this->url().isEmpty()); };
    connect(m_url, &QLineEdit::textChanged, this, follow);
    follow();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("PAD file URL:"), m_url);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_import);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_url->selectAll();
}

QString TPadUrlFrm::url() const
{
    return m_url->text().trimmed();
}
