#include "net/TZipArchive.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <zip.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// Closes an archive opened only for reading, or drops every change of one
// opened for writing: nothing reaches the disk.
struct ArchiveDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscarder>;

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

QString archiveErrorText(zip_t* archive)
{
    return QString::fromUtf8(zip_error_strerror(zip_get_error(archive)));
}

// Runs a step when the scope ends, however it ends.
template <typename Step>
class AtExit {
public:
    explicit AtExit(Step step) : m_step(std::move(step)) {}
    ~AtExit() { m_step(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    Step m_step;
};

// Why an entry name cannot be unpacked under the extract folder, or empty
// when it stays inside it.
QString unsafeNameReason(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("it has no name");
    if (name.startsWith(u'/'))
        return QStringLiteral("it is an absolute path");
    if (name.contains(u'\\'))
        return QStringLiteral("it uses \"\\\" as a folder separator");
    if (name.size() >= 2 && name.at(1) == u':' && name.at(0).isLetter())
        return QStringLiteral("it names a drive");
    for (const QString& part : name.split(u'/')) {
        if (part == u"..")
            return QStringLiteral("it leads out of the folder with \"..\"");
    }
    return {};
}

constexpr zip_uint32_t UnixTypeMask = 0170000;
constexpr zip_uint32_t UnixSymlink = 0120000;

} // namespace

// One file to pack: libzip reads it through this source when the archive is
// written, so the file is streamed and never held in memory whole.
struct TZipArchive::AddSource {
    TZipArchive* owner = nullptr;
    QString path;
    qint64 size = 0;
    time_t mtime = 0;
    QFile file;
    qint64 done = 0;
    qint64 nextStep = ProgressStep;
    zip_error_t error{};
    bool broken = false;
    // Shared by every source of one Add: the first reading fault and any
    // exception a handler threw, which must not unwind through libzip.
    QString* failure = nullptr;
    std::exception_ptr* thrown = nullptr;

    zip_int64_t fail(int zipCode, const QString& message)
    {
        zip_error_set(&error, zipCode, 0);
        broken = true;
        if (failure->isEmpty())
            *failure = message;
        return -1;
    }

    // Tells OnProgress; false when the handler threw.
    bool tell(TZipProgressType type, qint64 amount)
    {
        try {
            owner->progress(type, path, amount);
            return true;
        } catch (...) {
            if (!*thrown)
                *thrown = std::current_exception();
            zip_error_set(&error, ZIP_ER_INTERNAL, 0);
            broken = true;
            return false;
        }
    }

    static zip_int64_t callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        return static_cast<AddSource*>(state)->handle(data, length, command);
    }

    zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                                  ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        case ZIP_SOURCE_STAT: {
            auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error);
            if (!st)
                return -1;
            zip_stat_init(st);
            st->size = zip_uint64_t(size);
            st->mtime = mtime;
            st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_OPEN:
            file.setFileName(path);
            if (!file.open(QIODevice::ReadOnly))
                return fail(ZIP_ER_OPEN, u"Cannot read file " + path + u": " + file.errorString());
            done = 0;
            nextStep = ProgressStep;
            broken = false;
            return tell(zpStartFile, size) ? 0 : -1;
        case ZIP_SOURCE_READ: {
            const qint64 read = file.read(static_cast<char*>(data), qint64(std::min<zip_uint64_t>(length, 1u << 30)));
            if (read < 0)
                return fail(ZIP_ER_READ, u"Cannot read file " + path + u": " + file.errorString());
            done += read;
            // A file cut short or grown while packed would be stored wrong
            // without anyone knowing.
            if ((read == 0 && length > 0 && done != size) || done > size)
                return fail(ZIP_ER_READ, u"Cannot read file " + path + u": it changed while it was packed");
            // One step for every 32 KiB passed, however the reads fall.
            for (; done >= nextStep; nextStep += ProgressStep) {
                if (!tell(zpAdvance, nextStep))
                    return -1;
            }
            return read;
        }
        case ZIP_SOURCE_CLOSE:
            file.close();
            // A file whose packing failed is not reported as done.
            if (broken)
                return 0;
            return tell(zpEndFile, done) ? 0 : -1;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error, data, length);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&error);
            delete this;
            return 0;
        default:
            zip_error_set(&error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

// One entry to unpack, checked before anything is written.
struct TZipArchive::EntryPlan {
    zip_uint64_t index = 0;
    QString name;
    QString target;
    bool folder = false;
    qint64 size = 0;
};

TZipArchive::TZipArchive(QObject* parent) : QObject(parent) {}

TZipArchive::~TZipArchive() = default;

void TZipArchive::progress(TZipProgressType type, const QString& fileName, qint64 size)
{
    if (OnProgress)
        OnProgress(*this, type, fileName, size);
}

bool TZipArchive::refuse(const QString& text)
{
    m_lastMessage = text;
    if (OnRefusal)
        OnRefusal(*this, text);
    return false;
}

bool TZipArchive::fault(int code, const QString& message)
{
    m_lastMessage = message;
    if (OnMessage)
        OnMessage(*this, code, message);
    return false;
}

bool TZipArchive::Add()
{
    if (m_busy)
        return false;
    m_busy = true;
    m_lastMessage.clear();
    const QStringList files = m_fileSpecs;
    AtExit done([this] {
        m_fileSpecs.clear();
        m_busy = false;
    });
    if (files.isEmpty())
        return refuse(QStringLiteral("Error - no files to zip"));
    if (m_zipFilename.trimmed().isEmpty())
        return refuse(QStringLiteral("Error - no zip file specified"));
    if (m_zipFilename.endsWith(u".exe", Qt::CaseInsensitive))
        return refuse(QStringLiteral("Error - this pgm can NOT add files to a self-extracting archive"));
    return addFiles(files);
}

bool TZipArchive::addFiles(const QStringList& files)
{
    const QString archivePath = m_zipFilename;
    // Every file is looked at before the archive is touched, so a missing one
    // costs nothing.
    for (const QString& path : files) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.exists())
            return fault(zfReadFile, u"Cannot find file " + path);
        if (!info.isFile())
            return fault(zfReadFile, u"Cannot read file " + path + u": it is not a file");
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            return fault(zfReadFile, u"Cannot read file " + path + u": " + probe.errorString());
    }

    int openError = 0;
    ArchivePtr archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_CREATE | ZIP_CHECKCONS, &openError));
    if (!archive)
        return fault(zfArchive, u"Cannot open archive " + archivePath + u": " + zipErrorText(openError));

    QString failure;
    std::exception_ptr thrown;
    const int level = std::clamp(m_compressionLevel, 0, 9);
    for (const QString& path : files) {
        const QFileInfo info(path);
        auto* state = new AddSource;
        state->owner = this;
        state->path = path;
        state->size = info.size();
        state->mtime = time_t(info.lastModified().toSecsSinceEpoch());
        state->failure = &failure;
        state->thrown = &thrown;
        zip_error_init(&state->error);
        zip_source_t* source = zip_source_function(archive.get(), &AddSource::callback, state);
        if (!source) {
            zip_error_fini(&state->error);
            delete state;
            return fault(zfArchive, u"Cannot write archive " + archivePath + u": " + archiveErrorText(archive.get()));
        }
        // Entries carry the file's name only, never its folders; a later file
        // of the same name replaces the earlier entry.
        const QByteArray name = info.fileName().toUtf8();
        const zip_int64_t index = zip_file_add(archive.get(), name.constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return fault(zfArchive, u"Cannot add " + path + u" to " + archivePath + u": " + archiveErrorText(archive.get()));
        }
        const bool compressed = level == 0 ? zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_STORE, 0) == 0
                                           : zip_set_file_compression(archive.get(), zip_uint64_t(index), ZIP_CM_DEFLATE,
                                                                      zip_uint32_t(level)) == 0;
        if (!compressed || zip_file_set_mtime(archive.get(), zip_uint64_t(index), state->mtime, 0) != 0)
            return fault(zfArchive, u"Cannot add " + path + u" to " + archivePath + u": " + archiveErrorText(archive.get()));
    }

    // libzip writes a temporary file and puts it in the archive's place only
    // when all went well; on failure the temporary file goes and the old
    // archive stays as it was.
    if (zip_close(archive.get()) != 0) {
        const QString engineText = archiveErrorText(archive.get());
        archive.reset();
        if (thrown)
            std::rethrow_exception(thrown);
        if (!failure.isEmpty())
            return fault(zfReadFile, failure);
        return fault(zfArchive, u"Cannot write archive " + archivePath + u": " + engineText);
    }
    (void)archive.release();
    if (thrown)
        std::rethrow_exception(thrown);
    if (!QFileInfo(archivePath).isFile())
        return fault(zfArchive, u"Cannot write archive " + archivePath);
    return true;
}

bool TZipArchive::Extract()
{
    if (m_busy)
        return false;
    m_busy = true;
    m_lastMessage.clear();
    const QStringList wanted = m_fileSpecs;
    AtExit done([this] {
        m_fileSpecs.clear();
        m_busy = false;
    });
    if (m_zipFilename.trimmed().isEmpty())
        return fault(zfArchive, QStringLiteral("Error - no zip file specified"));
    // The folder is always named: the current folder is never used.
    if (m_extractDir.isEmpty())
        return fault(zfExtractDir, QStringLiteral("Error - no folder to extract into"));
    if (QDir::isRelativePath(m_extractDir))
        return fault(zfExtractDir, u"Cannot extract into " + m_extractDir + u": it is not a full path");
    return extractFiles(wanted);
}

bool TZipArchive::extractFiles(const QStringList& wanted)
{
    const QString archivePath = m_zipFilename;
    const QString root = QDir::cleanPath(m_extractDir) + u'/';
    const bool overwrite = (m_extractOptions & ExtractOverwrite) != 0;

    int openError = 0;
    ArchivePtr archive(zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &openError));
    if (!archive)
        return fault(zfArchive, u"Cannot open archive " + archivePath + u": " + zipErrorText(openError));

    // Every entry is checked before the first is written, so a hostile archive
    // leaves nothing behind.
    std::vector<EntryPlan> plans;
    QStringList missing = wanted;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = zip_uint64_t(i);
        const char* rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
        if (!rawName)
            return fault(zfArchive, u"Cannot read archive " + archivePath + u": " + archiveErrorText(archive.get()));
        const QString name = QString::fromUtf8(rawName);
        const auto refuseEntry = [&](const QString& reason) {
            return fault(zfUnsafeEntry, u"Cannot extract " + archivePath + u": entry \"" + name + u"\" would land outside " +
                                            m_extractDir + u" (" + reason + u"); nothing was extracted");
        };
        QString reason = unsafeNameReason(name);
        if (!reason.isEmpty())
            return refuseEntry(reason);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive.get(), index, 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX && ((attributes >> 16) & UnixTypeMask) == UnixSymlink)
            return refuseEntry(QStringLiteral("it is a symbolic link"));

        EntryPlan plan;
        plan.index = index;
        plan.name = name;
        plan.folder = name.endsWith(u'/');
        const QString relative = QDir::cleanPath(name);
        if (relative.isEmpty() || relative == u".") {
            if (!plan.folder)
                return refuseEntry(QStringLiteral("it names the folder itself"));
            continue;
        }
        // A link already in the folder would carry the entry elsewhere.
        QString walked = root;
        for (const QString& part : relative.split(u'/')) {
            walked += part;
            if (QFileInfo(walked).isSymLink())
                return refuseEntry(u"its path goes through the symbolic link " + walked);
            walked += u'/';
        }
        plan.target = root + relative;
        if (!wanted.isEmpty() && !wanted.contains(name))
            continue;
        missing.removeAll(name);
        zip_stat_t st;
        if (zip_stat_index(archive.get(), index, 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
            plan.size = qint64(st.size);
        plans.push_back(plan);
    }
    if (!missing.isEmpty())
        return fault(zfArchive, u"Cannot find " + missing.first() + u" in archive " + archivePath);

    if (!QDir().mkpath(root))
        return fault(zfExtractDir, u"Cannot create folder " + m_extractDir);
    QSet<QString> made;
    for (const EntryPlan& plan : plans) {
        if (plan.folder) {
            if (!QDir().mkpath(plan.target))
                return fault(zfWriteFile, u"Cannot create folder " + plan.target);
            continue;
        }
        const QFileInfo existing(plan.target);
        if (!overwrite && (existing.exists() || existing.isSymLink()))
            continue;
        // Most entries share a folder: each is made once.
        const QString folder = existing.path();
        if (!made.contains(folder)) {
            if (!QDir().mkpath(folder))
                return fault(zfWriteFile, u"Cannot create folder " + folder);
            made.insert(folder);
        }
        if (!writeEntry(archive.get(), plan))
            return false;
    }
    return true;
}

bool TZipArchive::writeEntry(zip_t* archive, const EntryPlan& plan)
{
    const QString archivePath = m_zipFilename;
    zip_file_t* entry = zip_fopen_index(archive, plan.index, 0);
    if (!entry)
        return fault(zfArchive, u"Cannot extract " + plan.name + u" from " + archivePath + u": " + archiveErrorText(archive));
    const std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> closer(entry, zip_fclose);

    // The file appears under its name only once it is whole: it is written
    // beside its target and renamed over it. Unlike a save file it is not
    // synced to disk one by one, which would make an archive of thousands of
    // small files crawl; a whole file or none still stands under the name.
    const QFileInfo target(plan.target);
    QFile out(target.path() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".zentrel-part"));
    // Whatever happens below, no part file stays behind.
    struct Discard {
        QFile& file;
        bool keep = false;
        ~Discard()
        {
            if (!keep)
                file.remove();
        }
    } discard{out};
    // A link left under that name must not lead the bytes elsewhere.
    QFile::remove(out.fileName());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::NewOnly))
        return fault(zfWriteFile, u"Cannot create file " + plan.target + u": " + out.errorString());
    progress(zpStartFile, plan.name, plan.size);
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    qint64 written = 0;
    qint64 nextStep = ProgressStep;
    for (;;) {
        const zip_int64_t read = zip_fread(entry, buffer.data(), zip_uint64_t(buffer.size()));
        if (read < 0) {
            return fault(zfArchive, u"Cannot extract " + plan.name + u" from " + archivePath + u": " +
                                        QString::fromUtf8(zip_file_strerror(entry)));
        }
        if (read == 0)
            break;
        if (out.write(buffer.constData(), read) != read) {
            return fault(zfWriteFile, u"Cannot write file " + plan.target + u": " + out.errorString());
        }
        written += read;
        for (; written >= nextStep; nextStep += ProgressStep)
            progress(zpAdvance, plan.name, nextStep);
    }
    if (!out.flush())
        return fault(zfWriteFile, u"Cannot write file " + plan.target + u": " + out.errorString());
    std::error_code renamed;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(out.fileName()).toStdString()),
                            std::filesystem::path(QFile::encodeName(plan.target).toStdString()), renamed);
    if (renamed)
        return fault(zfWriteFile, u"Cannot create file " + plan.target + u": " + QString::fromStdString(renamed.message()));
    // It has its name now; the part file is gone.
    discard.keep = true;
    progress(zpEndFile, plan.name, written);
    return true;
}
