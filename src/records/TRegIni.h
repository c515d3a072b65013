#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings that survive restarts: the one flag that records
// whether the earlier release's application lists have been converted.
class TRegIni {
public:
    // Opens the per-user settings of Zentrel; a file name given here replaces
    // the per-user location (tests use their own).
    explicit TRegIni(const QString& fileName = QString());
    ~TRegIni();

    bool ConvertDone() const;
    // Throws ZentrelError("Failed to create key NewSettings") when the value cannot be stored.
    void SetConvertDone();

private:
    std::unique_ptr<QSettings> m_settings;
};
