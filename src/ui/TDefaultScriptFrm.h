#pragma once

#include "engines/SiteDefinition.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TScriptMemo;
class UserPrompts;

// "Default Script:": edits one of the default scripts of the data directory.
// It opens with the file's text; "Save Script" writes it back and closes.
class TDefaultScriptFrm : public QDialog {
    Q_OBJECT
public:
    TDefaultScriptFrm(SiteScript script, const QString& dataDir, UserPrompts& prompts, QWidget* parent = nullptr);

    // Reads the file into the editor; a missing file is reported and leaves it empty.
    void loadScript();
    // Writes the editor to the file and closes; a failed write is reported and the editor stays.
    void saveScriptClick();

    QLabel* heading() const { return m_heading; }
    TScriptMemo* editor() const { return m_editor; }
    QPushButton* saveButton() const { return m_save; }

private:
    SiteScript m_script;
    QString m_dataDir;
    UserPrompts& m_prompts;
    QLabel* m_heading;
    TScriptMemo* m_editor;
    QPushButton* m_save;
};
