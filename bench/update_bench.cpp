// Unpacking and installing a data update of 2,000 site definitions, 4,000
// category lists and the catalogue from an archive already in the update
// folder (no download), against `unzip -oq` of the same archive into an empty
// folder in the same run. Each install replaces the files of the one before,
// as a real update does. Reports both times and their ratio.
//
// `update_bench --check` instead installs once, compares every installed file
// with unzip's, and fails when they differ or the install takes more than
// twice unzip's time.
#include "BenchMemory.h"
#include "BenchSupport.h"

#include "net/TZipArchive.h"
#include "records/ProgramSettings.h"
#include "records/UserPrompts.h"
#include "services/DataUpdate.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int Definitions = 2000;
constexpr int CategoryLists = 4000;

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The archive a real update brings: definitions of a few hundred bytes, category lists of a few KiB.
bool makeArchive(const QString& folder, const QString& archive)
{
    QRandomGenerator random(21);
    QStringList files;
    QByteArray catalogue;
    for (int i = 0; i < Definitions; ++i) {
        const QByteArray site = "Site " + QByteArray::number(i);
        catalogue += site + "\r\n";
        QByteArray ini = "[SETTINGS]\r\nUSE_HTTP_POST=1\r\nHTTP_URL=http://www." + QByteArray::number(random.generate())
            + ".test/submit.cgi\r\nEMAIL_ADDRESS=listings@" + site.toLower().replace(' ', '-') + ".test\r\n";
        for (int field = 0; field < 12; ++field)
            ini += "MUF_FIELD" + QByteArray::number(field) + "=value" + QByteArray::number(random.bounded(100000)) + "\r\n";
        files << folder + QString::fromLatin1(site) + QStringLiteral(".ini");
        if (!writeFile(files.last(), ini))
            return false;
        for (int list = 1; list <= CategoryLists / Definitions; ++list) {
            QByteArray lines;
            for (int line = 0; line < 80; ++line)
                lines += QByteArray::number(random.bounded(1000)) + "\">Category " + QByteArray::number(random.generate()) + "\r\n";
            files << folder + QString::fromLatin1(site) + QStringLiteral(" Cat%1.cat").arg(list);
            if (!writeFile(files.last(), lines))
                return false;
        }
    }
    files << folder + QStringLiteral("Sites.dat");
    if (!writeFile(files.last(), catalogue))
        return false;
    TZipArchive zip;
    zip.setZipFilename(archive);
    zip.setCompressionLevel(6);
    zip.setFileSpecs(files);
    return zip.Add();
}

// A workspace's sites, update and category folders, and the update working in them.
struct Workspace {
    QTemporaryDir dir;
    SilentPrompts prompts;
    ProgramSettings settings;
    DataUpdate update{prompts, settings,
                      DataUpdate::Folders{dir.filePath(QStringLiteral("sites/updates/")), dir.filePath(QStringLiteral("sites/")),
                                          dir.filePath(QStringLiteral("cat/"))}};

    // The last install's phases: unpacking into the update folder, then putting the files in place.
    double unpackSeconds = 0;
    double copySeconds = 0;
    QElapsedTimer phase;

    Workspace()
    {
        QDir(dir.path()).mkpath(QStringLiteral("sites/updates"));
        QDir(dir.path()).mkpath(QStringLiteral("cat"));
        QObject::connect(&update, &DataUpdate::statusChanged, [this](const QString& status) {
            if (status == u"Copy Data Files...")
                unpackSeconds = double(phase.nsecsElapsed()) / 1e9;
            else if (status == u"Cleaning UpDate Directory...")
                copySeconds = double(phase.nsecsElapsed()) / 1e9 - unpackSeconds;
        });
    }
    // Puts the archive into the update folder, as the download leaves it, and installs it.
    bool install(const QString& archive, double* seconds)
    {
        update.open();
        if (!QFile::copy(archive, update.diskFile()))
            return false;
        phase.start();
        const bool installed = update.unpackAndInstall();
        *seconds = double(phase.nsecsElapsed()) / 1e9;
        return installed;
    }
};

// unzip into an empty folder; negative when it failed.
double unzipSeconds(const QString& archive, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QElapsedTimer timer;
    timer.start();
    const int exit = QProcess::execute(QStringLiteral("unzip"), {QStringLiteral("-oq"), archive, QStringLiteral("-d"), folder});
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return exit == 0 ? seconds : -1;
}

struct Archive {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("zlsites.zip"));
    bool made = QDir().mkpath(dir.filePath(QStringLiteral("files"))) &&
                makeArchive(dir.filePath(QStringLiteral("files/")), path);
};

void BM_InstallUpdate(benchmark::State& state)
{
    Archive archive;
    if (!archive.made) {
        state.SkipWithError("cannot make the archive");
        return;
    }
    Workspace ws;
    double first = 0;
    // The first install fills the folders; the timed ones replace what is there.
    if (!ws.install(archive.path, &first)) {
        state.SkipWithError(qPrintable(u"the install failed: " + ws.prompts.shown.join(u"; ")));
        return;
    }
    const QString unzipFolder = archive.dir.filePath(QStringLiteral("unzipped"));
    double installTotal = 0;
    double unzipTotal = 0;
    double unpackTotal = 0;
    double copyTotal = 0;
    for (auto _ : state) {
        double seconds = 0;
        if (!ws.install(archive.path, &seconds)) {
            state.SkipWithError("the install failed");
            break;
        }
        const double unzip = unzipSeconds(archive.path, unzipFolder);
        if (unzip < 0) {
            state.SkipWithError("unzip failed");
            break;
        }
        state.SetIterationTime(seconds);
        installTotal += seconds;
        unzipTotal += unzip;
        unpackTotal += ws.unpackSeconds;
        copyTotal += ws.copySeconds;
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["install_s"] = installTotal / n;
    state.counters["unzip_s"] = unzipTotal / n;
    state.counters["ratio"] = unzipTotal > 0 ? installTotal / unzipTotal : 0;
    state.counters["unpack_s"] = unpackTotal / n;
    state.counters["copy_s"] = copyTotal / n;
    state.counters["files"] = Definitions + CategoryLists + 1;
}
BENCHMARK(BM_InstallUpdate)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int check()
{
    Archive archive;
    if (!archive.made) {
        std::fprintf(stderr, "cannot make the archive\n");
        return 1;
    }
    Workspace ws;
    double seconds = 0;
    // The second install is timed: it replaces every file the first one put there.
    if (!ws.install(archive.path, &seconds) || !ws.install(archive.path, &seconds)) {
        std::fprintf(stderr, "the install failed: %s\n", qPrintable(ws.prompts.shown.join(u"; ")));
        return 1;
    }
    const QString unzipFolder = archive.dir.filePath(QStringLiteral("unzipped"));
    const double unzip = unzipSeconds(archive.path, unzipFolder);
    if (unzip < 0) {
        std::fprintf(stderr, "unzip failed\n");
        return 1;
    }
    int compared = 0;
    int different = 0;
    for (const QString& name : QDir(unzipFolder).entryList(QDir::Files)) {
        const QString installed = ws.dir.filePath((name.contains(u".cat") ? QStringLiteral("cat/") : QStringLiteral("sites/")) + name);
        QFile a(installed);
        QFile b(unzipFolder + u'/' + name);
        ++compared;
        if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll())
            ++different;
    }
    const double ratio = unzip > 0 ? seconds / unzip : 0;
    std::printf("install %.3f s (unpacking %.3f s, copying %.3f s), unzip -oq %.3f s, ratio %.2f (limit 2); "
                "%d files compared, %d different\n",
                seconds, ws.unpackSeconds, ws.copySeconds, unzip, ratio, compared, different);
    return compared == Definitions + CategoryLists + 1 && different == 0 && ratio <= 2.0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return benchmarkMain(argc, argv, check);
}
