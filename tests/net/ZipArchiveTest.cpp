#include "net/TZipArchive.h"

#include "../support/TestWorkspace.h"

#include "TestServers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct ToolResult {
    int exit = -1;
    QString output;
};

ToolResult runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

// What unzip itself finds in the archive: it must test clean.
QStringList checkedEntries(const QString& archive)
{
    const ToolResult test = runTool(s("/usr/bin/unzip"), {s("-t"), archive});
    EXPECT_EQ(test.exit, 0) << qPrintable(test.output);
    const ToolResult list = runTool(s("/usr/bin/unzip"), {s("-Z1"), archive});
    EXPECT_EQ(list.exit, 0) << qPrintable(list.output);
    return list.output.split(u'\n', Qt::SkipEmptyParts);
}

// Every path under a folder, to prove that nothing was written.
QStringList tree(const QString& folder)
{
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    return paths;
}

struct Heard {
    QStringList refusals;
    QList<int> codes;
    QStringList messages;
    // "type name size" for every progress call.
    QStringList progress;
};

void listen(TZipArchive& zip, Heard& heard)
{
    zip.OnRefusal = [&heard](TZipArchive&, const QString& text) { heard.refusals << text; };
    zip.OnMessage = [&heard](TZipArchive&, int code, const QString& message) {
        heard.codes << code;
        heard.messages << message;
    };
    zip.OnProgress = [&heard](TZipArchive&, TZipProgressType type, const QString& name, qint64 size) {
        heard.progress << QString::number(int(type)) + u' ' + QFileInfo(name).fileName() + u' ' + QString::number(size);
    };
}

class ZipArchiveTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& relative) const { return dir.filePath(relative); }

    bool add(TZipArchive& zip, const QString& archive, const QStringList& files)
    {
        zip.setZipFilename(archive);
        zip.setFileSpecs(files);
        return zip.Add();
    }
    bool extract(TZipArchive& zip, const QString& archive, const QString& into, int options = zeoNone)
    {
        zip.setZipFilename(archive);
        zip.setExtractDir(into);
        zip.setExtractOptions(options);
        return zip.Extract();
    }
    // The archives of the hostile corpus, and a few harmless ones, in "corpus/".
    QString corpus(const QString& name)
    {
        const QString folder = path(s("corpus"));
        if (!QFileInfo::exists(folder)) {
            QDir().mkpath(folder);
            const ToolResult made = runTool(s("/usr/bin/python3"), {s(ZENTREL_SOURCE_DIR "/scripts/make_hostile_zips.py"),
                                                                   folder, path(s("outside/absolute.txt"))});
            EXPECT_EQ(made.exit, 0) << qPrintable(made.output);
        }
        return folder + u'/' + name;
    }
};

TEST_F(ZipArchiveTest, PacksFilesUnderTheirNamesAndUnpacksThemByteForByte)
{
    const QByteArray text = QByteArray("A shareware listing line.\r\n").repeated(4000);
    const QByteArray binary = randomBytes(100 * 1024, 3);
    const QString first = writeFile(path(s("release/one/readme.txt")), text);
    const QString second = writeFile(path(s("release/two/setup.bin")), binary);
    const QString archive = path(s("out/package.zip"));
    QDir().mkpath(path(s("out")));

    TZipArchive zip;
    Heard heard;
    listen(zip, heard);
    ASSERT_TRUE(add(zip, archive, {first, second})) << qPrintable(zip.LastMessage());
    EXPECT_TRUE(zip.FileSpecs().isEmpty());
    EXPECT_TRUE(zip.LastMessage().isEmpty());
    EXPECT_TRUE(heard.messages.isEmpty());
    // Folders never reach the archive.
    EXPECT_EQ(checkedEntries(archive), QStringList({s("readme.txt"), s("setup.bin")}));
    // Best compression, and the text shrinks.
    const ToolResult verbose = runTool(s("/usr/bin/unzip"), {s("-v"), archive});
    EXPECT_EQ(verbose.output.count(s("Defl:X")), 2) << qPrintable(verbose.output);
    EXPECT_LT(QFileInfo(archive).size(), text.size() / 10 + binary.size() + 1024);
    // One start and one end per file, a step per 32 KiB in between.
    EXPECT_EQ(heard.progress, QStringList({s("0 readme.txt 108000"), s("1 readme.txt 32768"), s("1 readme.txt 65536"),
                                           s("1 readme.txt 98304"), s("2 readme.txt 108000"), s("0 setup.bin 102400"),
                                           s("1 setup.bin 32768"), s("1 setup.bin 65536"), s("1 setup.bin 98304"),
                                           s("2 setup.bin 102400")}));

    heard.progress.clear();
    const QString into = path(s("unpacked/deeper"));
    ASSERT_TRUE(extract(zip, archive, into)) << qPrintable(zip.LastMessage());
    EXPECT_EQ(readFile(into + s("/readme.txt")), text);
    EXPECT_EQ(readFile(into + s("/setup.bin")), binary);
    EXPECT_EQ(heard.progress.first(), s("0 readme.txt 108000"));
    EXPECT_EQ(heard.progress.filter(s("1 setup.bin")).size(), 3);
    EXPECT_EQ(heard.progress.last(), s("2 setup.bin 102400"));
    EXPECT_TRUE(heard.messages.isEmpty());
}

TEST_F(ZipArchiveTest, AddingToAnArchiveReplacesTheEntryOfTheSameName)
{
    const QString archive = path(s("package.zip"));
    TZipArchive zip;
    ASSERT_TRUE(add(zip, archive, {writeFile(path(s("a/notes.txt")), "old notes"), writeFile(path(s("a/keep.txt")), "kept")}));
    ASSERT_TRUE(add(zip, archive, {writeFile(path(s("b/notes.txt")), "new notes"), writeFile(path(s("b/extra.txt")), "extra"),
                                   writeFile(path(s("b/empty.txt")), "")}));
    EXPECT_EQ(checkedEntries(archive), QStringList({s("notes.txt"), s("keep.txt"), s("extra.txt"), s("empty.txt")}));

    // Two files of one name in one call: the later one wins.
    ASSERT_TRUE(add(zip, archive, {writeFile(path(s("c/extra.txt")), "first"), writeFile(path(s("d/extra.txt")), "second")}));
    EXPECT_EQ(checkedEntries(archive).size(), 4);

    const QString into = path(s("unpacked"));
    ASSERT_TRUE(extract(zip, archive, into));
    EXPECT_EQ(readFile(into + s("/notes.txt")), "new notes");
    EXPECT_EQ(readFile(into + s("/keep.txt")), "kept");
    EXPECT_EQ(readFile(into + s("/extra.txt")), "second");
    EXPECT_EQ(readFile(into + s("/empty.txt")), "");
}

TEST_F(ZipArchiveTest, RefusesToStartWithoutFilesOrArchiveOrOnASelfExtractor)
{
    const QString file = writeFile(path(s("readme.txt")), "text");
    struct Case {
        QString archive;
        QStringList files;
        QString text;
    };
    const QList<Case> cases = {
        {path(s("package.zip")), {}, s("Error - no files to zip")},
        {QString(), {file}, s("Error - no zip file specified")},
        {s("  "), {file}, s("Error - no zip file specified")},
        {path(s("setup.exe")), {file}, s("Error - this pgm can NOT add files to a self-extracting archive")},
        {path(s("SETUP.Exe")), {file}, s("Error - this pgm can NOT add files to a self-extracting archive")},
    };
    for (const Case& c : cases) {
        TZipArchive zip;
        Heard heard;
        listen(zip, heard);
        EXPECT_FALSE(add(zip, c.archive, c.files));
        EXPECT_EQ(heard.refusals, QStringList({c.text}));
        EXPECT_EQ(zip.LastMessage(), c.text);
        EXPECT_TRUE(heard.messages.isEmpty());
        EXPECT_TRUE(heard.progress.isEmpty());
        EXPECT_TRUE(zip.FileSpecs().isEmpty());
    }
    EXPECT_EQ(tree(dir.path()), QStringList({file}));
}

TEST_F(ZipArchiveTest, AFailedAddLeavesTheEarlierArchiveAsItWas)
{
    const QString archive = path(s("out/package.zip"));
    QDir().mkpath(path(s("out")));
    TZipArchive zip;
    ASSERT_TRUE(add(zip, archive, {writeFile(path(s("in/readme.txt")), "first release")})) << qPrintable(zip.LastMessage());
    const QByteArray before = readFile(archive);
    const QString good = writeFile(path(s("in/setup.bin")), randomBytes(300 * 1024, 5));
    const QString doomed = writeFile(path(s("in/doomed.txt")), "here at the start");
    const QString folder = path(s("in/folder"));
    QDir().mkpath(folder);

    const auto expectFailure = [&](const QStringList& files, const QString& named, int code) {
        Heard heard;
        listen(zip, heard);
        EXPECT_FALSE(add(zip, archive, files));
        ASSERT_EQ(heard.codes.size(), 1);
        EXPECT_EQ(heard.codes.first(), code);
        EXPECT_TRUE(heard.messages.first().contains(named)) << qPrintable(heard.messages.first());
        EXPECT_EQ(zip.LastMessage(), heard.messages.first());
        EXPECT_TRUE(zip.FileSpecs().isEmpty());
        EXPECT_EQ(readFile(archive), before);
        // No temporary file is left beside the archive.
        EXPECT_EQ(tree(path(s("out"))), QStringList({archive}));
    };
    expectFailure({good, path(s("in/missing.txt"))}, path(s("in/missing.txt")), TZipArchive::zfReadFile);
    expectFailure({good, folder}, folder, TZipArchive::zfReadFile);

    // A file that goes while the archive is written.
    zip.OnProgress = [&](TZipArchive&, TZipProgressType type, const QString& name, qint64) {
        if (type == zpStartFile && name == good)
            QFile::remove(doomed);
    };
    {
        Heard heard;
        zip.OnMessage = [&heard](TZipArchive&, int code, const QString& message) {
            heard.codes << code;
            heard.messages << message;
        };
        zip.setZipFilename(archive);
        zip.setFileSpecs({good, doomed});
        EXPECT_FALSE(zip.Add());
        ASSERT_EQ(heard.messages.size(), 1);
        EXPECT_EQ(heard.codes.first(), TZipArchive::zfReadFile);
        EXPECT_TRUE(heard.messages.first().contains(doomed)) << qPrintable(heard.messages.first());
        EXPECT_EQ(readFile(archive), before);
        EXPECT_EQ(tree(path(s("out"))), QStringList({archive}));
    }

    // A disk that fills up while the new archive is written.
    {
        FileSizeLimit limit(64 * 1024);
        expectFailure({good}, archive, TZipArchive::zfArchive);
    }

    // Something that is no archive at all is left alone.
    const QString notZip = writeFile(path(s("out/notes.zip")), "not an archive at all");
    {
        Heard heard;
        listen(zip, heard);
        EXPECT_FALSE(add(zip, notZip, {good}));
        ASSERT_EQ(heard.codes, QList<int>({TZipArchive::zfArchive}));
        EXPECT_TRUE(heard.messages.first().contains(notZip));
        EXPECT_EQ(readFile(notZip), "not an archive at all");
    }
    EXPECT_EQ(checkedEntries(archive), QStringList({s("readme.txt")}));
}

TEST_F(ZipArchiveTest, ACallFromAProgressHandlerDoesNothing)
{
    const QString archive = path(s("package.zip"));
    const QString other = path(s("other.zip"));
    const QString file = writeFile(path(s("readme.txt")), randomBytes(80 * 1024, 9));
    const QString intruder = writeFile(path(s("intruder.txt")), "should not be packed");
    TZipArchive zip;
    QList<bool> nested;
    zip.OnProgress = [&](TZipArchive& sender, TZipProgressType type, const QString&, qint64) {
        if (type != zpAdvance)
            return;
        sender.setFileSpecs({intruder});
        const QString running = sender.ZipFilename();
        sender.setZipFilename(other);
        nested << sender.Add();
        sender.setExtractDir(path(s("elsewhere")));
        nested << sender.Extract();
        sender.setZipFilename(running);
    };
    ASSERT_TRUE(add(zip, archive, {file}));
    EXPECT_EQ(nested, QList<bool>({false, false, false, false}));
    EXPECT_EQ(checkedEntries(archive), QStringList({s("readme.txt")}));
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_FALSE(QFileInfo::exists(path(s("elsewhere"))));
    EXPECT_TRUE(zip.FileSpecs().isEmpty());

    // A handler that throws mid-pack: the exception reaches the caller, the
    // archive stays as it was, and the next Add runs.
    const QByteArray before = readFile(archive);
    zip.OnProgress = [](TZipArchive&, TZipProgressType type, const QString&, qint64) {
        if (type == zpAdvance)
            throw std::runtime_error("stop");
    };
    EXPECT_THROW(add(zip, archive, {intruder, file}), std::runtime_error);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_TRUE(zip.FileSpecs().isEmpty());
    zip.OnProgress = nullptr;
    EXPECT_TRUE(add(zip, archive, {intruder}));
    EXPECT_EQ(checkedEntries(archive), QStringList({s("readme.txt"), s("intruder.txt")}));
}

TEST_F(ZipArchiveTest, UnpacksIntoSubFoldersAndKeepsExistingFilesUnlessTold)
{
    const QString cwd = QDir::currentPath();
    const QString into = path(s("updates"));
    writeFile(into + s("/top.txt"), "kept from before");
    TZipArchive zip;
    Heard heard;
    listen(zip, heard);

    ASSERT_TRUE(extract(zip, corpus(s("nested.zip")), into)) << qPrintable(zip.LastMessage());
    EXPECT_EQ(readFile(into + s("/top.txt")), "kept from before");
    EXPECT_EQ(readFile(into + s("/sub/dir/deep.txt")), "deep\n");
    EXPECT_TRUE(QFileInfo(into + s("/emptydir")).isDir());

    ASSERT_TRUE(extract(zip, corpus(s("nested.zip")), into, ExtractOverwrite));
    EXPECT_EQ(readFile(into + s("/top.txt")), "top\n");
    EXPECT_TRUE(heard.messages.isEmpty());

    // Named entries only.
    const QString only = path(s("only"));
    zip.setFileSpecs({s("sub/dir/deep.txt")});
    ASSERT_TRUE(extract(zip, corpus(s("nested.zip")), only));
    EXPECT_EQ(tree(only), QStringList({only + s("/sub"), only + s("/sub/dir"), only + s("/sub/dir/deep.txt")}));
    EXPECT_TRUE(zip.FileSpecs().isEmpty());

    // No folder, or one that depends on where the program happens to run.
    for (const QString& bad : {QString(), s("relative/folder")}) {
        heard.codes.clear();
        EXPECT_FALSE(extract(zip, corpus(s("nested.zip")), bad));
        EXPECT_EQ(heard.codes, QList<int>({TZipArchive::zfExtractDir}));
    }
    EXPECT_FALSE(QFileInfo::exists(cwd + s("/relative")));
    EXPECT_FALSE(QFileInfo::exists(cwd + s("/top.txt")));
    EXPECT_EQ(QDir::currentPath(), cwd);
}

TEST_F(ZipArchiveTest, AFaultWhileUnpackingLeavesNoHalfFile)
{
    const QString into = path(s("updates"));
    TZipArchive zip;
    Heard heard;
    listen(zip, heard);
    EXPECT_FALSE(extract(zip, corpus(s("corrupt.zip")), into, ExtractOverwrite));
    ASSERT_EQ(heard.codes, QList<int>({TZipArchive::zfArchive}));
    EXPECT_TRUE(heard.messages.first().contains(s("big.bin"))) << qPrintable(heard.messages.first());
    // The pieces before the fault were read, yet nothing stays.
    EXPECT_FALSE(heard.progress.filter(s("1 big.bin")).isEmpty());
    EXPECT_EQ(tree(into), QStringList());

    heard.codes.clear();
    EXPECT_FALSE(extract(zip, path(s("missing.zip")), into));
    EXPECT_EQ(heard.codes, QList<int>({TZipArchive::zfArchive}));
}

TEST_F(ZipArchiveTest, RefusesEveryArchiveThatWouldWriteOutsideTheFolder)
{
    // "inner" already lies in the folder, as a link to a folder outside it.
    const QString target = path(s("target"));
    const QString linkTarget = path(s("linked"));
    QDir().mkpath(target);
    QDir().mkpath(linkTarget);
    ASSERT_TRUE(QFile::link(linkTarget, target + s("/inner")));
    const QString missingTarget = path(s("fresh/updates"));

    const QList<std::pair<QString, QString>> cases = {
        {s("absolute.zip"), path(s("outside/absolute.txt"))},
        {s("dotdot.zip"), s("../escape.txt")},
        {s("nested-dotdot.zip"), s("sub/../../escape.txt")},
        {s("backslash.zip"), s("..\\escape.txt")},
        {s("drive.zip"), s("C:escape.txt")},
        {s("drive-slash.zip"), s("C:/escape.txt")},
        {s("symlink.zip"), s("\"link\"")},
        {s("symlink-only.zip"), s("\"link\"")},
        {s("late-bad.zip"), s("docs/../../escape.txt")},
        {s("through-link.zip"), s("inner/escape.txt")},
    };
    corpus(QString());
    const QStringList before = tree(dir.path());
    for (const auto& [archive, entry] : cases) {
        for (const QString& into : {target, missingTarget}) {
            if (archive == u"through-link.zip" && into == missingTarget)
                continue;
            for (const int options : {int(zeoNone), int(ExtractOverwrite)}) {
                TZipArchive zip;
                Heard heard;
                listen(zip, heard);
                EXPECT_FALSE(extract(zip, corpus(archive), into, options)) << qPrintable(archive);
                ASSERT_EQ(heard.codes, QList<int>({TZipArchive::zfUnsafeEntry})) << qPrintable(archive);
                EXPECT_TRUE(heard.messages.first().contains(entry)) << qPrintable(heard.messages.first());
                EXPECT_TRUE(heard.progress.isEmpty()) << qPrintable(archive);
                EXPECT_EQ(tree(dir.path()), before) << qPrintable(archive);
            }
        }
    }
    // The same names are harmless where no link is in the way.
    TZipArchive zip;
    ASSERT_TRUE(extract(zip, corpus(s("through-link.zip")), missingTarget));
    EXPECT_EQ(readFile(missingTarget + s("/inner/escape.txt")), "escaped\n");
    EXPECT_EQ(tree(linkTarget), QStringList());
}

} // namespace
