#include "TestWorkspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>

TestWorkspace::TestWorkspace() = default;

void TestWorkspace::write(const QString& relative, const QByteArray& bytes) const
{
    const QString name = file(relative);
    QDir().mkpath(QFileInfo(name).path());
    QFile f(name);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray TestWorkspace::read(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestWorkspace::exists(const QString& relative) const
{
    return QFileInfo::exists(file(relative));
}

void TestWorkspace::makeDir(const QString& relative) const
{
    QDir().mkpath(file(relative));
}

FileSizeLimit::FileSizeLimit(long bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
}
