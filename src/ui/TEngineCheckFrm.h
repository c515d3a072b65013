#pragma once

#include "engines/EngineChecker.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TEngBuild;
class UserPrompts;

// "Engine Checker": checks every script of every site, lists the ones that do
// not expand, and lets the user open, correct and save them, or change one
// variable into another in all scripts at once. The work is the checker's;
// the window shows it.
class TEngineCheckFrm : public QDialog {
    Q_OBJECT
public:
    TEngineCheckFrm(TEngBuild& engine, UserPrompts& prompts, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    QListWidget* errorList() const { return m_errorList; }
    QLineEdit* fileNameField() const { return m_fileName; }
    QLabel* panel() const { return m_panel; }
    QPushButton* beginButton() const { return m_begin; }
    QPushButton* loadButton() const { return m_load; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* massChangeButton() const { return m_massChange; }
    QPushButton* exitButton() const { return m_exit; }
    const EngineChecker& checker() const { return m_checker; }

    void beginBtnClick();
    void loadBtnClick();
    void saveBtnClick();
    void massChangeBtnClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Locks the window while the checker works, and shows what it found afterwards.
    void showWorking(bool working);
    void showLoadedScript();
    void placePanel();

    UserPrompts& m_prompts;
    EngineChecker m_checker;
    QPlainTextEdit* m_editor;
    QListWidget* m_errorList;
    QLineEdit* m_fileName;
    QLabel* m_panel;
    QPushButton* m_begin;
    QPushButton* m_load;
    QPushButton* m_save;
    QPushButton* m_massChange;
    QPushButton* m_exit;
};
