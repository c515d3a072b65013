#include "ui/TFieldTranslationsFrm.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Group {
    const char* caption;
    Translation first;
    int count;
};

// The application fields the standard values belong to.
constexpr Group Groups[] = {
    {"Platform", Translation::Windows31, 4},
    {"Submitted By", Translation::Author, 4},
    {"Distribution Status", Translation::FeatureLimitDemo, 6},
    {"Install Support", Translation::NoInstallFeature, 4},
};

} // namespace

TFieldTranslationsFrm::TFieldTranslationsFrm(const std::array<QString, TranslationCount>& values, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FieldTranslationsFrm"));
    setWindowTitle(QStringLiteral("Field Translations"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    for (const Group& g : Groups) {
        auto* box = new QGroupBox(QLatin1String(g.caption), this);
        auto* form = new QFormLayout(box);
        for (int i = 0; i < g.count; ++i) {
            const auto t = Translation(int(g.first) + i);
            auto* edit = new QLineEdit(values[size_t(t)], box);
            edit->setObjectName(SiteDefinition::translationKey(t));
            edit->setToolTip(QStringLiteral("What this site calls \"%1\"; leave it empty to send the "
                                            "application's own text")
                                 .arg(SiteDefinition::standardValue(t)));
            edit->setMinimumWidth(160);
            form->addRow(SiteDefinition::standardValue(t), edit);
            m_fields[size_t(t)] = edit;
        }
        (g.first == Translation::Windows31 || g.first == Translation::Author ? left : right)->addWidget(box);
    }
    left->addStretch(1);
    right->addStretch(1);
    columns->addLayout(left);
    columns->addLayout(right);

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("OkBtn"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
}

std::array<QString, TranslationCount> TFieldTranslationsFrm::values() const
{
    std::array<QString, TranslationCount> v;
    for (int i = 0; i < TranslationCount; ++i)
        v[size_t(i)] = m_fields[size_t(i)]->text();
    return v;
}
