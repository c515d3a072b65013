#include "app/ZentrelProgram.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The workspace is the folder that holds the program file.
    return ZentrelProgram::run(QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');
}
