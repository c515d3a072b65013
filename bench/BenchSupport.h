#pragma once

// A started workspace whose engine builder is a real TEngBuild, with prompts
// that answer nothing: what the benchmarks run against.
#include "engines/TEngBuild.h"
#include "records/ChooserList.h"
#include "records/TGWide.h"
#include "records/UserPrompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

// Answers nothing and keeps what would have been shown.
class SilentPrompts : public UserPrompts {
public:
    QStringList shown;
    void beep() override {}
    void info(const QString& text) override { shown << text; }
    void error(const QString& text) override { shown << text; }
    void errorWindow(const QString& first, const QString&, const QString&) override { shown << first; }
    bool confirm(const QString&) override { return false; }
    Answer askSave(const QString&) override { return Answer::Cancel; }
    std::optional<QString> askName(const QString&) override { return std::nullopt; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool openUrl(const QString&) override { return false; }
    void setBusy(bool) override {}
};

class BenchWorkspace : public WorkspaceOwner {
public:
    QTemporaryDir dir;
    SilentPrompts prompts;
    ChooserList companies{ChooserList::Order::Sorted};
    ChooserList applications{ChooserList::Order::Added};
    TEngBuild* engine = nullptr;
    std::unique_ptr<TGWide> workspace;

    BenchWorkspace()
    {
        workspace = std::make_unique<TGWide>(*this, dir.path(), dir.filePath(QStringLiteral("user.ini")));
        workspace->StartUp();
    }

    ChooserList& companyChooser() override { return companies; }
    ChooserList& applicationChooser() override { return applications; }
    void loadSelectedCompany() override {}
    void loadSelectedApplication() override {}
    std::unique_ptr<WorkspaceEngine> createEngineBuilder(TGWide& w) override
    {
        auto e = std::make_unique<TEngBuild>(w, prompts);
        engine = e.get();
        return e;
    }
};

// Reads every file's bytes once, as the baseline a load is measured against.
inline qint64 readAllBytes(const QStringList& files)
{
    qint64 total = 0;
    for (const QString& name : files) {
        QFile file(name);
        if (file.open(QIODevice::ReadOnly))
            total += file.readAll().size();
    }
    return total;
}

// Runs the registered benchmarks inside a Qt application of the given kind.
template <typename Application = QCoreApplication>
int runBenchmarks(int argc, char** argv)
{
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
