#pragma once

#include "records/ApplicationRecord.h"

#include <QObject>

#include <array>
#include <functional>

class ChooserList;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class UserPrompts;

// The "General", "Locations" and "Description" pages: the Application record's
// fields with their input rules, the application chooser and, on each page,
// the buttons New, Delete and Save Application.
class TApplicationPages : public QObject {
    Q_OBJECT
public:
    TApplicationPages(ApplicationRecord& record, ChooserList& applications, UserPrompts& prompts,
                      std::function<void(const std::function<void()>&)> run, QObject* parent = nullptr);

    QWidget* general() const { return m_general; }
    QWidget* locations() const { return m_locations; }
    QWidget* description() const { return m_description; }

    QComboBox* chooser() const { return m_appName; }
    QLineEdit* lineEdit(AppField f) const;
    QComboBox* listBox(AppField f) const;
    QPlainTextEdit* longDescriptionEdit() const { return m_longDesc; }
    QPlainTextEdit* notesEdit() const { return m_notes; }
    QLineEdit* specialRequirementsEdit() const { return m_specReq; }
    QLabel* longDateLabel() const { return m_longDate; }

signals:
    void newClicked();
    void deleteClicked();
    void saveClicked();
    // The user picked another application in the chooser.
    void applicationChosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addLine(AppField f, const char* objectName, const char* hint);
    QComboBox* addList(AppField f, const char* objectName, const QStringList& entries, const char* hint);
    QPlainTextEdit* addLines(const char* objectName, const char* hint);
    QWidget* browseRow(AppField f, const char* objectName, const char* hint, const QString& title,
                       const QString& filter, const QString& defaultSuffix);
    QWidget* buttonRow(QWidget* page);
    void buildGeneral();
    void buildLocations();
    void buildDescription();

    ApplicationRecord& m_record;
    UserPrompts& m_prompts;
    std::function<void(const std::function<void()>&)> m_run;
    QWidget* m_general = nullptr;
    QWidget* m_locations = nullptr;
    QWidget* m_description = nullptr;
    QComboBox* m_appName = nullptr;
    std::array<QWidget*, AppFieldCount> m_fields{};
    QPlainTextEdit* m_longDesc = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QLineEdit* m_specReq = nullptr;
    QLabel* m_longDate = nullptr;
};
