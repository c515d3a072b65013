// Feeds every file of the folders given to the fuzz target, once each, so a
// corpus and the crashers found are checked again by every test run without
// a fuzzer. A broken invariant ends the program (abort) like a crash.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    // Static, so that what a target keeps in statics of its own, made later, is
    // gone before the application object is.
    static int count = argc;
    static QCoreApplication app(count, argv);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const QString folder = QString::fromLocal8Bit(argv[i]);
        // A target with no crasher saved has no crasher folder.
        if (!QFileInfo(folder).isDir())
            continue;
        QStringList names;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            names.append(it.next());
        names.sort(); // the same order on every machine
        for (const QString& name : names) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly)) {
                fprintf(stderr, "cannot read %s\n", qPrintable(name));
                return 2;
            }
            const QByteArray bytes = file.readAll();
            fprintf(stderr, "%s\n", qPrintable(name));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++files;
        }
    }
    printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
