#include "reports/ReportBrowser.h"

#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "reports/ReportHtml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString noReports = QStringLiteral("No Reports Found");

bool listedBefore(const QString& a, const QString& b)
{
    const int upper = QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
    return upper != 0 ? upper < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace

ReportBrowser::ReportBrowser(UserPrompts& prompts, QString reportsDir)
    : m_prompts(prompts), m_reportsDir(std::move(reportsDir))
{
    show(listFolders(m_reportsDir));
    m_nothingFound = m_entries.isEmpty();
}

QStringList ReportBrowser::listFolders(const QString& directory)
{
    QStringList names;
    const QFileInfoList found = QDir(directory).entryInfoList(
        QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& info : found) {
        const QString name = info.fileName();
        if (info.isSymLink() || !info.isDir() || name.startsWith(u'.')
            || !(info.permissions() & QFileDevice::WriteOwner) || !WorkspacePath::isSafeName(name))
            continue;
        names << name;
    }
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

void ReportBrowser::select(int index)
{
    m_selected = index >= 0 && index < m_entries.size() ? index : -1;
}

void ReportBrowser::show(QStringList entries)
{
    m_entries = std::move(entries);
    m_selected = m_entries.isEmpty() ? -1 : 0;
}

QString ReportBrowser::applicationDir(const QString& application) const
{
    return WorkspacePath::file(m_reportsDir, application, QString());
}

ReportBrowser::Outcome ReportBrowser::go()
{
    if (m_selected < 0)
        return Outcome::Stay;
    const QString name = m_entries.at(m_selected);
    if (m_level == Level::Applications) {
        m_selectedApplication = name;
        QStringList runs = listFolders(applicationDir(name));
        if (runs.isEmpty()) {
            m_prompts.info(noReports); // the message box sounds its own beep
            show(listFolders(m_reportsDir));
            return Outcome::Stay;
        }
        m_level = Level::Runs;
        show(std::move(runs));
        return Outcome::Stay;
    }
    const QString mainReport =
        WorkspacePath::file(applicationDir(m_selectedApplication) + u'/', name, QStringLiteral("/MainReport.htm"));
    if (!m_prompts.openUrl(ReportHtml::fileUrl(mainReport))) {
        m_prompts.error(QStringLiteral("Couldn't launch default browser"));
        return Outcome::Stay;
    }
    return Outcome::Close;
}

void ReportBrowser::up()
{
    m_level = Level::Applications;
    show(listFolders(m_reportsDir));
}

void ReportBrowser::removeRun(const QString& runDir)
{
    // A symbolic link is removed as a link: nothing it points to is touched.
    const QFileInfo run(runDir);
    if (run.isSymLink()) {
        QFile::remove(runDir);
        return;
    }
    if (!run.isDir())
        return;
    const QFileInfoList entries = QDir(runDir).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries)
        if (entry.isSymLink() || !entry.isDir())
            QFile::remove(entry.filePath());
    // Fails, and leaves the folder listed, while anything is left in it.
    QDir().rmdir(runDir);
}

ReportBrowser::Outcome ReportBrowser::deleteSelected()
{
    if (m_selected < 0)
        return Outcome::Stay;
    const QString name = m_entries.at(m_selected);
    if (m_level == Level::Runs) {
        m_prompts.beep();
        if (!m_prompts.confirm(QStringLiteral("Delete the selected report?")))
            return Outcome::Stay;
        const QString appDir = applicationDir(m_selectedApplication);
        // An application folder that has become a link since it was listed leads
        // out of the reports: nothing is deleted through it.
        if (!QFileInfo(appDir).isSymLink())
            removeRun(WorkspacePath::file(appDir + u'/', name, QString()));
        QStringList runs = listFolders(appDir);
        if (runs.isEmpty())
            up();
        else
            show(std::move(runs));
        return Outcome::Stay;
    }

    m_prompts.beep();
    if (!m_prompts.confirm(QStringLiteral("Delete all reports for selected site?")))
        return Outcome::Stay;
    const QString appDir = applicationDir(name);
    if (QFileInfo(appDir).isSymLink()) {
        QFile::remove(appDir);
    } else {
        for (const QString& run : listFolders(appDir))
            removeRun(WorkspacePath::file(appDir + u'/', run, QString()));
        QDir().rmdir(appDir);
    }
    show(listFolders(m_reportsDir));
    return m_entries.isEmpty() ? Outcome::Close : Outcome::Stay;
}
