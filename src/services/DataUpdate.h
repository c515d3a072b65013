#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class ProgramSettings;
class TDownloadHTTP;
class TGWide;
class UserPrompts;

// "Update Data Files" without its window: downloads the maker's archive of
// site data into the update folder, unpacks it there and installs what it
// holds into the sites and category folders. An update lands whole or not at
// all: until every file is in place nothing of the earlier catalogue,
// definitions or category lists changes, and whatever happens the update
// folder is left empty.
class DataUpdate : public QObject {
    Q_OBJECT
public:
    // The folders the update works in, each ending with "/".
    struct Folders {
        QString updates;
        QString sites;
        QString cat;
        static Folders of(const TGWide& workspace);
    };

    // What the total reads until the server names the size.
    static constexpr qint64 UnknownTotal = 2147483647;

    DataUpdate(UserPrompts& prompts, const ProgramSettings& settings, Folders folders, QObject* parent = nullptr);
    ~DataUpdate() override;

    // The dialog's opening: nothing updated yet, the update folder emptied, the
    // download's address, file and proxy taken from the settings. Throws
    // ZentrelError when the proxy port setting is no port number or the update
    // folder cannot be emptied; the dialog does not open then.
    void open();
    // "Start Update": downloads, unpacks and installs; returns when that has
    // ended. Every failure has been told to the user by then.
    void start();
    // Ends a download in progress; the update then changes nothing and tells nothing.
    void cancel();
    bool running() const { return m_running; }
    // Unpacks the archive already in the update folder and installs it; false
    // when the archive is missing or anything of it could not be installed.
    bool unpackAndInstall();

    // True once an update has been installed whole.
    bool updated() const { return m_updated; }
    const QString& status() const { return m_status; }
    qint64 barPosition() const { return m_barPosition; }
    qint64 barMaximum() const { return m_barMaximum; }
    int percent() const { return m_percent; }
    // The trace of the download: connection, headers and bytes written.
    const QStringList& track() const { return m_track; }
    // The download's address and the local archive.
    const QString& url() const { return m_url; }
    const QString& diskFile() const { return m_diskFile; }
    // The proxy the download goes through; an empty server: none.
    const QString& proxyServer() const { return m_proxyServer; }
    quint16 proxyPort() const { return m_proxyPort; }

    // The text of a proxy port setting as a port number; throws ZentrelError
    // naming the text when it is none.
    static quint16 portNumber(const QString& text);

signals:
    void statusChanged(const QString& status);
    // The bar or the percentage moved.
    void progressChanged();
    void trackChanged();

private:
    struct Install;

    void setStatus(const QString& status);
    void setBar(qint64 position, qint64 maximum);
    void addTrack(const QString& line);
    void download(TDownloadHTTP& client);
    void transferred(qint64 bytes);
    bool checkEntries(QStringList& entries);
    bool extract();
    bool install(const QStringList& entries);
    void archiveError(const QString& message);
    // Removes everything in the update folder; false when something stayed.
    bool emptyUpdateFolder(QString* failed = nullptr) const;

    UserPrompts& m_prompts;
    const ProgramSettings& m_settings;
    Folders m_folders;
    std::unique_ptr<TDownloadHTTP> m_client;
    QString m_url;
    QString m_diskFile;
    QString m_proxyServer;
    quint16 m_proxyPort = 80;
    QString m_status;
    QStringList m_track;
    qint64 m_total = UnknownTotal;
    qint64 m_barPosition = 0;
    qint64 m_barMaximum = 100;
    int m_percent = 0;
    bool m_updated = false;
    bool m_running = false;
    bool m_cancelled = false;
    // Set by the first fault the archive reports, which has been shown.
    bool m_archiveFailed = false;
};
