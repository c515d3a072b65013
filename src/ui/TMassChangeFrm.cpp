#include "ui/TMassChangeFrm.h"

#include "engines/EngineChecker.h"
#include "engines/ScriptVariables.h"
#include "records/UserPrompts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TMassChangeFrm::TMassChangeFrm(UserPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("MassChangeFrm"));
    setWindowTitle(QStringLiteral("Mass Change In All Scripts"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QStringList tokens;
    for (const ScriptVariable& variable : scriptVariables())
        tokens << u'%' + QLatin1String(variable.name) + u'%';
    // The from-text may be typed, to reach a misspelt name; the to-text is always a variable.
    m_from = new QComboBox(this);
    m_from->setObjectName(QStringLiteral("FromBox"));
    m_from->setEditable(true);
    m_from->setInsertPolicy(QComboBox::NoInsert);
    m_from->addItems(tokens);
    m_from->setCurrentIndex(0);
    m_to = new QComboBox(this);
    m_to->setObjectName(QStringLiteral("ToBox"));
    m_to->addItems(tokens);
    m_to->setCurrentIndex(0);
    m_to->setMaxVisibleItems(20);
    m_from->setMaxVisibleItems(20);

    m_replace = new QPushButton(QStringLiteral("Replace"), this);
    m_replace->setObjectName(QStringLiteral("ReplaceBtn"));
    m_replace->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelBtn"));
    m_cancel->setAutoDefault(false);
    connect(m_replace, &QPushButton::clicked, this, &TMassChangeFrm::replaceBtnClick);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Change Any Vars Found of:"), m_from);
    form->addRow(QStringLiteral("To:"), m_to);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

QString TMassChangeFrm::fromText() const
{
    return m_from->currentText();
}

QString TMassChangeFrm::toText() const
{
    return m_to->currentText();
}

void TMassChangeFrm::replaceBtnClick()
{
    // A pair whose change never ends is refused here, and the user may choose again.
    if (const auto refused = EngineChecker::endlessChangeMessage(fromText(), toText())) {
        m_prompts.error(*refused);
        return;
    }
    m_replace->setEnabled(false);
    m_cancel->setEnabled(false);
    done(EngineChecker::acceptable(fromText(), toText()) ? QDialog::Accepted : QDialog::Rejected);
}
