#include "app/ConsoleProgram.h"

#include "app/ConsolePrompts.h"
#include "app/DryRun.h"
#include "app/InterruptWatcher.h"
#include "app/RunPrinter.h"
#include "app/SingleInstance.h"
#include "records/FileStore.h"
#include "records/ZentrelError.h"
#include "reports/TReportsFrm.h"
#include "workflow/MainModel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

#include <csignal>
#include <cstdio>

namespace ConsoleProgram {

namespace {

enum Exit { AllPosted = 0, SomeFailed = 1, NothingRun = 2, FolderBusy = 3 };

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage(const QString& message)
{
    err() << message << Qt::endl << QStringLiteral("Try \"zentrel --help\".") << Qt::endl;
    return NothingRun;
}

// The workspace's model, started as the window starts it; null after the message.
std::unique_ptr<MainModel> startModel(ConsolePrompts& prompts, const QString& directory)
{
    auto model = std::make_unique<MainModel>(prompts, directory);
    try {
        model->startWorkspace();
    } catch (const std::exception&) {
        err() << QStringLiteral("Unable to initialize Zentrel!") << Qt::endl;
        return nullptr;
    }
    return model;
}

int listApplications(MainModel& model)
{
    for (const QString& name : model.applicationChooser().names())
        out() << name << Qt::endl;
    return AllPosted;
}

int listSites(MainModel& model)
{
    const ApplicationSiteList& list = model.siteList();
    QStringList header;
    for (int c = 0; c < ApplicationSiteList::ColumnCount; ++c)
        header << list.headerData(c, Qt::Horizontal).toString();
    out() << header.join(u'\t') << Qt::endl;
    for (int r = 0; r < list.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ApplicationSiteList::ColumnCount; ++c)
            cells << list.data(list.index(r, c)).toString();
        out() << cells.join(u'\t') << Qt::endl;
    }
    return AllPosted;
}

int submit(MainModel& model, bool quiet)
{
    SubmissionRun& run = model.run();
    // A run from a script has nobody to type the Simtel password.
    run.setSimtelPasswordDialog([] { return false; });
    RunPrinter printer(run, quiet);
    InterruptWatcher interrupts;
    bool interrupted = false;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &run, [&] {
        interrupted = true;
        run.requestCancel();
    });

    const SubmissionRun::Outcome outcome = run.submitBtnClick();
    if (outcome == SubmissionRun::Outcome::NotStarted)
        return NothingRun;
    const TReportsFrm& reports = model.reports();
    QString summary = QStringLiteral("%1: %2 posted, %3 failed")
                          .arg(model.application().name())
                          .arg(reports.SuccessCount)
                          .arg(reports.FailCount);
    if (outcome == SubmissionRun::Outcome::Cancelled)
        summary += interrupted ? QStringLiteral(", interrupted") : QStringLiteral(", cancelled");
    else if (outcome == SubmissionRun::Outcome::Failed)
        summary += QStringLiteral(", ended early");
    const QString report = reports.MainReportFile();
    printer.line(summary
                 + (QFileInfo(report).isFile() ? QStringLiteral(". Report: ") + report
                                               : QStringLiteral(". No report was written.")));
    const bool allPosted = outcome == SubmissionRun::Outcome::Completed && reports.FailCount == 0;
    return allPosted ? AllPosted : SomeFailed;
}

} // namespace

bool wanted(int argc, char* argv[])
{
    // Qt's own window options (-session, -platform, -style …) still open the window.
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.startsWith("--") || argument == "-h" || argument == "-v" || argument == "-?")
            return true;
    }
    return false;
}

namespace {

int runCommand(const QStringList& arguments, const QString& programDirectory);

} // namespace

int run(const QStringList& arguments, const QString& programDirectory)
{
    // A closed pipe on standard output must not end a run between posting a site and recording it.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return runCommand(arguments, programDirectory);
    } catch (const ZentrelError& e) {
        err() << e.text() << Qt::endl;
    } catch (const std::exception& e) {
        err() << QString::fromLocal8Bit(e.what()) << Qt::endl;
    }
    return NothingRun;
}

namespace {

int runCommand(const QStringList& arguments, const QString& programDirectory)
{
    QCoreApplication::setApplicationName(QStringLiteral("Zentrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.13"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Zentrel submits your application to download sites. Without arguments it opens its "
                       "window; with these it works without one."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption workspace(QStringLiteral("workspace"),
                                       QStringLiteral("Use the Zentrel folder <dir> (default: the program's folder)."),
                                       QStringLiteral("dir"));
    const QCommandLineOption listApps(QStringLiteral("list-applications"),
                                      QStringLiteral("Print the applications, one a line."));
    const QCommandLineOption listSitesOf(QStringLiteral("list-sites"),
                                         QStringLiteral("Print the site list of <app>, tab-separated."),
                                         QStringLiteral("app"));
    const QCommandLineOption submitApp(QStringLiteral("submit"),
                                       QStringLiteral("Submit <app> to the sites marked to post."),
                                       QStringLiteral("app"));
    const QCommandLineOption sites(QStringLiteral("sites"),
                                   QStringLiteral("With --submit: only these sites (comma-separated)."),
                                   QStringLiteral("names"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("With --submit: print what would be sent; send and change "
                                                   "nothing."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print only the summary."));
    parser.addOptions({workspace, listApps, listSitesOf, submitApp, sites, dryRun, quiet});

    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out() << parser.helpText();
        out().flush();
        return AllPosted;
    }
    if (parser.isSet(version)) {
        out() << QStringLiteral("Zentrel 2.13") << Qt::endl;
        return AllPosted;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first());
    const int commands = int(parser.isSet(listApps)) + int(parser.isSet(listSitesOf)) + int(parser.isSet(submitApp));
    if (commands != 1)
        return usage(QStringLiteral("Give one of --list-applications, --list-sites or --submit."));
    if (!parser.isSet(submitApp) && (parser.isSet(sites) || parser.isSet(dryRun)))
        return usage(QStringLiteral("--sites and --dry-run go with --submit."));

    QString directory = programDirectory;
    if (parser.isSet(workspace)) {
        const QFileInfo folder(parser.value(workspace));
        if (!folder.isDir())
            return usage(QStringLiteral("No such folder: ") + parser.value(workspace));
        // One name for the folder however it is written ("dir/", "./dir", a link to it), the
        // name a window started from it claims: two copies in one folder must meet.
        directory = folder.canonicalFilePath() + u'/';
    }

    // A listing and a dry run read the folder exactly as a run does, and write nothing.
    const bool preview = !parser.isSet(submitApp) || parser.isSet(dryRun);
    FileStore::setReadOnly(preview);
    SingleInstance instance(directory);
    // A mistyped folder must not become a new, empty Zentrel folder.
    if (!preview && !QFileInfo(directory + QStringLiteral("data")).isDir()) {
        err() << QStringLiteral("No Zentrel records in ") << QDir::toNativeSeparators(directory) << Qt::endl;
        return NothingRun;
    }
    if (!preview && !instance.claimForScript()) {
        err() << QStringLiteral("Another copy of Zentrel is working in %1; run again when it has ended.")
                     .arg(QDir::toNativeSeparators(directory))
              << Qt::endl;
        return FolderBusy;
    }

    ConsolePrompts prompts;
    std::unique_ptr<MainModel> model = startModel(prompts, directory);
    if (!model)
        return NothingRun;
    if (parser.isSet(listApps))
        return listApplications(*model);

    const QString app = parser.isSet(submitApp) ? parser.value(submitApp) : parser.value(listSitesOf);
    if (!model->openApplication(app)) {
        err() << QStringLiteral("Unknown application: ") << app << Qt::endl;
        return NothingRun;
    }
    if (parser.isSet(listSitesOf))
        return listSites(*model);

    if (parser.isSet(sites)) {
        QSet<QString> chosen;
        for (const QString& name : parser.value(sites).split(u',', Qt::SkipEmptyParts)) {
            const QString site = name.trimmed();
            const QList<SiteListRow>& rows = model->siteList().rows();
            if (std::none_of(rows.cbegin(), rows.cend(), [&](const SiteListRow& r) { return r.site == site; })) {
                err() << QStringLiteral("Unknown site: ") << site << Qt::endl;
                return NothingRun;
            }
            chosen.insert(site);
        }
        if (chosen.isEmpty())
            return usage(QStringLiteral("--sites names no site."));
        model->siteList().setPostingFilter(chosen);
    }
    // Confirming the counts is the caller's running of the command.
    model->siteList().setVerifier([](const SiteCounts&) { return true; });
    if (parser.isSet(dryRun))
        return DryRun::print(*model, out());
    return submit(*model, parser.isSet(quiet));
}

} // namespace

} // namespace ConsoleProgram
