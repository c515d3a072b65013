#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

// The variable picker "VodaZazerer Variables": a tool window over the main
// window that inserts a Script variable's token into the field being edited.
class TVariablesFrm : public QWidget {
    Q_OBJECT
public:
    explicit TVariablesFrm(QWidget* mainWindow);

    // Shows the window with the first entry selected and the list focused.
    void open();
    // Inserts the selected token at the caret of the main window's focused text
    // field, replacing a selection, and gives that field the focus back.
    // False when no text field has the focus there.
    bool useSelected();

    QTreeWidget* list() const { return m_list; }

    // Adds "Variable List" to the context menu of a template field.
    static void attachTo(QLineEdit* field, TVariablesFrm* picker);
    static void attachTo(QPlainTextEdit* field, TVariablesFrm* picker);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_mainWindow;
    QTreeWidget* m_list;
    bool m_placed = false;
};
