#pragma once

#include "pad/PadMapping.h"
#include "pad/PadRules.h"
#include "pad/PadValues.h"

#include <QDialog>
#include <QHash>
#include <QList>

#include <functional>

class PadExporter;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class UserPrompts;

// "Export PAD File": the records as a PAD 3.11 or 4.0 file, with the PAD
// values the records lack edited here before the file is written.
class TPadExportFrm : public QDialog {
    Q_OBJECT
public:
    TPadExportFrm(PadExporter& exporter, UserPrompts& prompts, QWidget* parent = nullptr);

    PadVersion version() const;
    void setVersion(PadVersion version);
    // The dialog's value for each path it edits.
    PadValues edits() const;

    // A text as it goes into a description of at most `limit` characters: whole
    // when it fits, else cut at the last blank before the limit.
    static QString cutAtBlank(const QString& text, int limit);
    // The record's long description on one line: its lines without surrounding blanks, joined by a blank.
    static QString oneLine(const QString& recordText);

    QComboBox* versionBox() const { return m_version; }
    QComboBox* programTypeBox() const { return m_programType; }
    QComboBox* releaseStatusBox() const { return m_releaseStatus; }
    // The operating systems' check boxes, in the version's order.
    const QList<QCheckBox*>& osBoxes() const { return m_osBoxes; }
    QCheckBox* osBox(const QString& name) const;
    // The names the value held that the version does not know; they are not written.
    QLabel* unknownOsLabel() const { return m_unknownOs; }
    QLineEdit* languageField() const { return m_language; }
    QComboBox* categoryBox() const { return m_category; }
    QLineEdit* keywordsField() const { return m_keywords; }
    QPlainTextEdit* descriptionField(int limit) const;
    QLabel* descriptionCount(int limit) const;
    QPushButton* fillButton() const { return m_fill; }
    QLineEdit* padUrlField() const { return m_padUrl; }
    QLineEdit* orderUrlField() const { return m_orderUrl; }
    QLineEdit* authorFirstField() const { return m_authorFirst; }
    QLineEdit* authorLastField() const { return m_authorLast; }
    QPlainTextEdit* changesField() const { return m_changes; }
    // Names the fields whose setting here the records overrule in the file.
    QLabel* overruledLabel() const { return m_overruled; }
    QPushButton* checkButton() const { return m_check; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* closeButton() const { return m_close; }

    void versionChange();
    void fillBtnClick();
    void checkBtnClick();
    void saveBtnClick();

private:
    struct Description {
        int limit;
        QPlainTextEdit* field;
        QLabel* count;
    };

    void buildOsBoxes(const QStringList& ticked, const QStringList& unknown);
    void showValues(const PadValues& values);
    QStringList tickedOs() const;
    // The ticked systems with those the version shown leaves out, for the details.
    QStringList keptOs() const;
    void countDescription(const Description& d);
    void showOverruled();

    PadExporter& m_exporter;
    UserPrompts& m_prompts;
    PadRecordValues m_records;
    PadValues m_details;
    // The values the dialog opened with, for any path it edits without a control.
    PadValues m_initial;
    // What each path the dialog edits takes from it.
    QHash<QString, std::function<QString()>> m_readers;

    QComboBox* m_version;
    QComboBox* m_programType;
    QComboBox* m_releaseStatus;
    QWidget* m_osPanel;
    QGridLayout* m_osGrid;
    QList<QCheckBox*> m_osBoxes;
    QLabel* m_unknownOs;
    QStringList m_unknownOsNames;
    QStringList m_osOrder; // the systems as the values named them
    // Ticked systems the version shown does not name: they come back with a version that does.
    QStringList m_osAway;
    QLineEdit* m_language;
    QComboBox* m_category;
    QLineEdit* m_keywords;
    QList<Description> m_descriptions;
    QPushButton* m_fill;
    QLineEdit* m_padUrl;
    QLineEdit* m_orderUrl;
    QLineEdit* m_authorFirst;
    QLineEdit* m_authorLast;
    QPlainTextEdit* m_changes;
    QLabel* m_overruled = nullptr;
    QPushButton* m_check;
    QPushButton* m_save;
    QPushButton* m_close;
};
