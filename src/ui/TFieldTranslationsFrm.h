#pragma once

#include "engines/SiteDefinition.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

// "Field Translations": the site's own word for each of the 18 standard values
// an application can carry, each field labelled with its standard value.
class TFieldTranslationsFrm : public QDialog {
    Q_OBJECT
public:
    TFieldTranslationsFrm(const std::array<QString, TranslationCount>& values, QWidget* parent = nullptr);

    // The fields as they stand; the dialog hands them back however it was closed.
    std::array<QString, TranslationCount> values() const;
    QLineEdit* field(Translation t) const { return m_fields[size_t(t)]; }
    QPushButton* okButton() const { return m_ok; }

private:
    std::array<QLineEdit*, TranslationCount> m_fields{};
    QPushButton* m_ok;
};
