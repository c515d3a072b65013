#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A workspace folder of its own for one test, removed afterwards.
class TestWorkspace {
public:
    TestWorkspace();

    // The folder, ending with "/".
    QString path() const { return m_dir.path() + u'/'; }
    QString file(const QString& relative) const { return path() + relative; }
    // The per-user settings file a test uses in place of the user's own.
    QString settingsFile() const { return file(QStringLiteral("user-settings.ini")); }

    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;
    void makeDir(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Sets RLIMIT_FSIZE so that writing past `bytes` fails, even for root; restores it after.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();

private:
    unsigned long long m_previous = 0;
};
