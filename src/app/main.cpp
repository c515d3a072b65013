#include "app/ConsoleProgram.h"
#include "app/ZentrelProgram.h"

#include "app/ZentrelApplication.h"
#include <QDir>

int main(int argc, char* argv[])
{
    // With arguments Zentrel works without a window, and needs no display.
    if (ConsoleProgram::wanted(argc, argv)) {
        QCoreApplication app(argc, argv);
        return ConsoleProgram::run(QCoreApplication::arguments(),
                                   QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');
    }
    ZentrelApplication app(argc, argv);
    // The workspace is the folder that holds the program file.
    return ZentrelProgram::run(QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');
}
