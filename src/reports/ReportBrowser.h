#pragma once

#include <QString>
#include <QStringList>

class UserPrompts;

// What lies behind "Submission Reports": the folders of the reports directory,
// first the applications, then the runs of one application, and what GO, UP
// and Delete do there. Asks and tells only through the prompts.
class ReportBrowser {
public:
    enum class Level { Applications, Runs };
    // Whether the dialog closes after an action.
    enum class Outcome { Stay, Close };

    // Lists the applications and selects the first.
    ReportBrowser(UserPrompts& prompts, QString reportsDir);

    // The folders of a directory that hold reports: real directories only (no
    // symbolic link, no name starting with ".", none read-only), ordered by
    // upper-cased character codes so that case does not count.
    static QStringList listFolders(const QString& directory);

    const QStringList& entries() const { return m_entries; }
    // The selected entry's index, or -1.
    int selected() const { return m_selected; }
    void select(int index);
    Level level() const { return m_level; }
    bool upEnabled() const { return m_level == Level::Runs; }
    // True when there was nothing to list at the start.
    bool nothingFound() const { return m_nothingFound; }
    const QString& selectedApplication() const { return m_selectedApplication; }

    // Goes down to the selected application's runs, or opens the selected run's
    // main report in the browser.
    Outcome go();
    // Back to the applications.
    void up();
    // Deletes the selected run, or every run of the selected application, after asking.
    Outcome deleteSelected();

private:
    void show(QStringList entries);
    QString applicationDir(const QString& application) const;
    static void removeRun(const QString& runDir);

    UserPrompts& m_prompts;
    QString m_reportsDir;
    QStringList m_entries;
    int m_selected = -1;
    Level m_level = Level::Applications;
    QString m_selectedApplication;
    bool m_nothingFound = false;
};
