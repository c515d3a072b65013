#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

struct zip;

// What OnProgress tells.
enum TZipProgressType : int {
    zpStartFile = 0, // a file begins; size is its whole size
    zpAdvance,       // another piece of the file is done; size is the bytes done so far
    zpEndFile,       // the file is done
};

// Options of Add: none is ever set; entries are always stored under their file names.
enum TZipAddOption : int { zaoNone = 0 };
// Options of Extract.
enum TZipExtractOption : int {
    zeoNone = 0,
    ExtractOverwrite = 1, // files already in ExtractDir are replaced; without it they stay
};

// Packs files into a zip archive and unpacks one. Every operation empties
// FileSpecs when it ends, whatever the outcome.
class TZipArchive : public QObject {
public:
    explicit TZipArchive(QObject* parent = nullptr);
    ~TZipArchive() override;

    const QString& ZipFilename() const { return m_zipFilename; }
    void setZipFilename(const QString& path) { m_zipFilename = path; }
    // Files to add, or (for Extract) entry names to take; empty there takes every entry.
    QStringList& FileSpecs() { return m_fileSpecs; }
    void setFileSpecs(const QStringList& specs) { m_fileSpecs = specs; }
    int CompressionLevel() const { return m_compressionLevel; }
    void setCompressionLevel(int level) { m_compressionLevel = level; }
    int AddOptions() const { return m_addOptions; }
    void setAddOptions(int options) { m_addOptions = options; }
    const QString& ExtractDir() const { return m_extractDir; }
    void setExtractDir(const QString& dir) { m_extractDir = dir; }
    int ExtractOptions() const { return m_extractOptions; }
    void setExtractOptions(int options) { m_extractOptions = options; }
    bool Verbose() const { return m_verbose; }
    void setVerbose(bool on) { m_verbose = on; }
    bool Trace() const { return m_trace; }
    void setTrace(bool on) { m_trace = on; }

    // fileName is the path of the file being packed, or the entry being unpacked.
    std::function<void(TZipArchive& sender, TZipProgressType type, const QString& fileName, qint64 size)> OnProgress;
    // A fault of the archive work: code above 0 and its message.
    std::function<void(TZipArchive& sender, int code, const QString& message)> OnMessage;
    // A refusal before any work ("Error - no files to zip" and the like), for
    // the owner to show in a message box.
    std::function<void(TZipArchive& sender, const QString& text)> OnRefusal;

    // Packs FileSpecs into ZipFilename, creating it or adding to it; an entry of
    // the same name is replaced. True when the archive now holds every file. A
    // failure leaves an archive that was there before whole. A call while
    // another Add runs does nothing and returns false.
    bool Add();
    // Unpacks ZipFilename into ExtractDir. True when every entry was written.
    bool Extract();

    // The message of the last refusal or fault; empty after a success.
    const QString& LastMessage() const { return m_lastMessage; }

    // Bytes between two zpAdvance calls.
    static constexpr qint64 ProgressStep = 32 * 1024;

    // The codes OnMessage carries; every one is above 0.
    enum FaultCode : int {
        zfReadFile = 1,    // a file to add cannot be opened or read
        zfArchive = 2,     // the archive cannot be opened, read or written
        zfWriteFile = 3,   // an unpacked file or its folder cannot be written
        zfUnsafeEntry = 4, // an entry would land outside ExtractDir
        zfExtractDir = 5,  // ExtractDir is missing, not absolute or cannot be made
    };

private:
    struct AddSource;
    struct EntryPlan;

    bool refuse(const QString& text);
    bool fault(int code, const QString& message);
    bool addFiles(const QStringList& files);
    bool extractFiles(const QStringList& wanted);
    bool writeEntry(zip* archive, const EntryPlan& entry);
    void progress(TZipProgressType type, const QString& fileName, qint64 size);

    QString m_zipFilename;
    QStringList m_fileSpecs;
    int m_compressionLevel = 9;
    int m_addOptions = zaoNone;
    QString m_extractDir;
    int m_extractOptions = zeoNone;
    bool m_verbose = false;
    bool m_trace = false;
    // Set while Add or Extract runs, so a handler cannot start another.
    bool m_busy = false;
    QString m_lastMessage;
};
