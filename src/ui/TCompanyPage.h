#pragma once

#include "records/CompanyRecord.h"

#include <QWidget>

#include <array>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;

// The "Company Information" page: the company chooser, the twelve contact
// fields and the company buttons, showing the Company record.
class TCompanyPage : public QWidget {
    Q_OBJECT
public:
    // run executes a command and shows any error it raises.
    TCompanyPage(CompanyRecord& record, ChooserList& chooser,
                 std::function<void(const std::function<void()>&)> run, QWidget* parent = nullptr);

    QComboBox* chooser() const { return m_compname; }
    QLineEdit* fieldEdit(CompanyField f) const { return m_edits[size_t(f)]; }

signals:
    void saveApplicationClicked();
    // "BHS ID#" with a company shown and no account number held.
    void bhsAccountRequested();

private:
    CompanyRecord& m_record;
    QComboBox* m_compname;
    std::array<QLineEdit*, CompanyFieldCount> m_edits{};
};
