#pragma once

#include "engines/ScriptVariables.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class ApplicationRecord;
class ProgramSettings;
class TEngBuild;
class TGWide;
class UserPrompts;

// One site of the Application site list: the application's choices for it and
// what its Site definition says.
struct SiteListRow {
    QString site;
    QString type;     // "Free" or "All", then " 32", " 16" or " 16-32"
    QString submit;   // "New" or "Update"
    QString category1; // label, "N/A" or "NOT SET!"
    QString category2;
    QString http;     // "Y" / "N"
    QString ftp;
    QString zip;
    QString email;
    QString lastPost; // a short date or "Unknown"
    QString post;     // "Y" / "N"
};

// The counts of the last check of the sites to post.
struct SiteCounts {
    int total = 0;
    int fresh = 0; // "New"
    int update = 0;
    int http = 0;
    int ftp = 0;
    int zip = 0;
    int email = 0;
};

// The Application site list of the application shown: one row per catalogue
// site that has a definition, kept in "<App>_SITES.dat". The "Sites" tab's grid
// shows this model; the actions of the tab are its operations on the selected row.
class ApplicationSiteList : public QAbstractTableModel, public CategoryChoices {
    Q_OBJECT
public:
    enum Column { Site, Type, Submit, Category1, Category2, H, F, Z, E, LastPost, P, ColumnCount };

    ApplicationSiteList(ApplicationRecord& application, ProgramSettings& settings, UserPrompts& prompts,
                        QObject* parent = nullptr);

    void setWorkspace(TGWide* workspace, TEngBuild* engine);
    // Shows the verification dialog with the counts; true when the user starts the run.
    void setVerifier(std::function<bool(const SiteCounts&)> verifier) { m_verifier = std::move(verifier); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const QList<SiteListRow>& rows() const { return m_rows; }
    bool isEmpty() const { return m_rows.isEmpty(); }

    // Builds the list for the application from the catalogue, its definitions
    // and the application's file, and rewrites the file at once.
    void Load(const QString& appName);
    // Follows a change of the catalogue or of a definition. A list without unsaved
    // choices is loaded again; one with them keeps them: its rows are built anew
    // with the choices shown, nothing is written and the changed mark stays.
    void Rebuild(const QString& appName);
    // Writes the list to the application's file; nothing for an empty list.
    void Save(const QString& appName) const;
    // The site's system and distribution suit the application's platform and status.
    bool Compatible(int row) const;
    static bool Compatible(const QString& type, const QString& platform, const QString& status);
    // Limits the sites a run posts to these names; empty: every site.
    void setPostingFilter(const QSet<QString>& sites) { m_filter = sites; }
    // The row is to be posted in a run: marked "Y", fitting the application and not filtered out.
    bool isToPost(int row) const;
    // Counts the sites to post; with verify, refuses a run that cannot start and
    // asks for confirmation.
    bool CheckSitesToPost(bool verify);
    const SiteCounts& counts() const { return m_counts; }

    // The selected row, -1 for none.
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);

    bool changed() const { return m_changed; }
    void setChanged(bool changed);

    // The actions on the selected row; each does nothing without one.
    void setSubmitNew(bool isNew);
    // The post check box; false when "Y" was refused for an incompatible site.
    bool setPost(bool post);
    void setCategory(int which, const QString& label);
    void togglePost();
    void toggleSubmit();
    void toggleLastPost();
    void moveUp();
    void moveDown();
    // "Go to URL": opens the selected site's web page.
    void goToUrl();
    // The "All" buttons, after their confirmation.
    void allNew();
    void allUpdate();
    void allPost();
    void allNoPost();

    // The labels of the selected site's primary (1) or secondary (2) category
    // list, when its row takes that category and the list exists. A list is read
    // once and kept until its file changes; lines holding the byte 0xB1 and lists
    // past FileLimits::CategoryList are not offered, and said so once.
    QStringList categoryLabels(int row, int which) const;

    // A submission run posted the row's site: "Update", today's date and, when
    // asked, "P" back to "N". The run writes the list itself, so no changed mark.
    void recordPosted(int row, bool resetToNoPost);

    // The row a submission run is posting; its chosen categories fill the category variables.
    void setPostingRow(int row) { m_postingRow = row; }
    QString primaryChoice() const override;
    QString secondaryChoice() const override;

    static QString fileName(const QString& dataDir, const QString& appName);

signals:
    void changedMarkChanged(bool changed);
    void currentRowChanged(int row);
    // The selected row's values changed: the detail box shows them again.
    void currentRowUpdated();
    void totalToPostChanged(int total);
    void showSitesTabRequested();

private:
    struct CachedLabels {
        bool read = false;
        QDateTime modified;
        qint64 size = 0;
        QStringList labels;
    };

    // Shows a problem with a file once in the program's life.
    void reportOnce(const QString& file, const QString& message) const;
    void updateRow(int row, const std::function<void(SiteListRow&)>& change);
    bool confirmAll(const QString& question);
    void updateAll(const std::function<void(SiteListRow&, int)>& change);

    ApplicationRecord& m_application;
    ProgramSettings& m_settings;
    UserPrompts& m_prompts;
    TGWide* m_workspace = nullptr;
    TEngBuild* m_engine = nullptr;
    std::function<bool(const SiteCounts&)> m_verifier;
    QList<SiteListRow> m_rows;
    SiteCounts m_counts;
    int m_current = -1;
    int m_postingRow = -1;
    bool m_changed = false;
    mutable QHash<QString, CachedLabels> m_labelCache;
    mutable QSet<QString> m_reported;
    QSet<QString> m_filter;
};
