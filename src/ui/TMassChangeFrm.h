#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class UserPrompts;

// "Mass Change In All Scripts": which variable to replace, by which, in every
// script file of the catalogue. Accepted only for a pair worth changing.
class TMassChangeFrm : public QDialog {
    Q_OBJECT
public:
    explicit TMassChangeFrm(UserPrompts& prompts, QWidget* parent = nullptr);

    QString fromText() const;
    QString toText() const;

    QComboBox* fromBox() const { return m_from; }
    QComboBox* toBox() const { return m_to; }
    QPushButton* replaceButton() const { return m_replace; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void replaceBtnClick();

    UserPrompts& m_prompts;
    QComboBox* m_from;
    QComboBox* m_to;
    QPushButton* m_replace;
    QPushButton* m_cancel;
};
