#include "ui/TScriptCheckFrm.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TScriptCheckFrm::TScriptCheckFrm(const QString& result, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ScriptCheckFrm"));
    setWindowTitle(QStringLiteral("Script Check"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_result = new QPlainTextEdit(this);
    m_result->setObjectName(QStringLiteral("ResultMemo"));
    m_result->setReadOnly(true);
    // The expansion joins its lines with CR LF; the box shows them as lines.
    m_result->setPlainText(QString(result).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OkBtn"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_result);
    layout->addLayout(buttons);
    resize(520, 380);
}
