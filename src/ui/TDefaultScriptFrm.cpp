#include "ui/TDefaultScriptFrm.h"

#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "ui/TScriptMemo.h"
#include "workflow/DefaultScripts.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDefaultScriptFrm::TDefaultScriptFrm(SiteScript script, const QString& dataDir, UserPrompts& prompts,
                                     QWidget* parent)
    : QDialog(parent), m_script(script), m_dataDir(dataDir), m_prompts(prompts)
{
    setObjectName(QStringLiteral("DefaultScriptFrm"));
    setWindowTitle(QStringLiteral("Default Script:"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_heading = new QLabel(DefaultScripts::heading(script), this);
    m_heading->setObjectName(QStringLiteral("Heading"));
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    m_editor = new TScriptMemo(this);
    m_editor->setObjectName(QStringLiteral("ScriptMemo"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setToolTip(QStringLiteral("The text a site's script gets from its \"Default Script\" button"));
    m_save = new QPushButton(QStringLiteral("Save Script"), this);
    m_save->setObjectName(QStringLiteral("SaveScriptBtn"));
    m_save->setToolTip(QStringLiteral("Write the default script and close"));
    connect(m_save, &QPushButton::clicked, this, &TDefaultScriptFrm::saveScriptClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_editor, 1);
    layout->addLayout(buttons);
    resize(600, 440);
}

void TDefaultScriptFrm::loadScript()
{
    m_editor->clear();
    try {
        if (const auto lines = DefaultScripts::load(m_dataDir, m_script))
            m_editor->setLines(*lines);
        else
            m_prompts.error(QStringLiteral("Default Script File Not Found!"));
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
}

void TDefaultScriptFrm::saveScriptClick()
{
    try {
        DefaultScripts::save(m_dataDir, m_script, m_editor->lines());
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
        return;
    }
    accept();
}
