#include "app/ZentrelProgram.h"

#include "app/ZentrelApplication.h"
#include <QDir>

int main(int argc, char* argv[])
{
    ZentrelApplication app(argc, argv);
    // The workspace is the folder that holds the program file.
    return ZentrelProgram::run(QDir(QCoreApplication::applicationDirPath()).absolutePath() + u'/');
}
