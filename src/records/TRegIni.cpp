#include "records/TRegIni.h"

#include "records/TIniFile.h"
#include "records/ZentrelError.h"

#include <QSettings>

namespace {
const QString SubKey = QStringLiteral("NewSettings");
const QString ValueName = QStringLiteral("NewSettings/Convert210");
} // namespace

TRegIni::TRegIni(const QString& fileName)
{
    if (fileName.isEmpty())
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QStringLiteral("Halvex"), QStringLiteral("Zentrel"));
    else
        m_settings = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
}

TRegIni::~TRegIni() = default;

bool TRegIni::ConvertDone() const
{
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError || !m_settings->contains(ValueName))
        return false;
    return parseProfileInteger(m_settings->value(ValueName).toString(), 0) != 0;
}

void TRegIni::SetConvertDone()
{
    m_settings->setValue(ValueName, QStringLiteral("1"));
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw ZentrelError(QStringLiteral("Failed to create key %1").arg(SubKey));
}
