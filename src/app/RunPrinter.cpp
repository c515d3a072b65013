#include "app/RunPrinter.h"

#include "submit/SubmissionRun.h"

#include <cstdio>

namespace {

QString methodName(const QString& method)
{
    return method == u"EMAIL" ? QStringLiteral("E-mail") : method;
}

} // namespace

RunPrinter::RunPrinter(SubmissionRun& run, bool quiet, QObject* parent) : QObject(parent), m_out(stdout), m_quiet(quiet)
{
    connect(&run, &SubmissionRun::siteStarted, this, [this](int number, int total, const QString& site) {
        event(QStringLiteral("Posting %1 of %2: %3").arg(number).arg(total).arg(site));
    });
    connect(&run, &SubmissionRun::methodFinished, this,
            [this](const QString& site, const QString& method, bool ok, const QString& detail) {
                if (ok)
                    event(site + QStringLiteral(": ") + methodName(method) + QStringLiteral(" ok"));
                else if (method != u"FTP") // each failed FTP attempt has had its line
                    event(site + QStringLiteral(": ") + methodName(method) + QStringLiteral(" failed")
                          + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail));
            });
    connect(&run, &SubmissionRun::ftpAttemptFailed, this,
            [this](const QString& site, int attempt, int attempts, const QString& detail) {
                event(site + QStringLiteral(": FTP failed")
                      + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail)
                      + QStringLiteral(" (attempt %1 of %2)").arg(attempt).arg(attempts));
            });
    connect(&run, &SubmissionRun::siteFinished, this, [this](const QString& site, bool, const QString& reason) {
        if (!reason.isEmpty())
            event(site + QStringLiteral(": not posted: ") + reason);
    });
    connect(&run, &SubmissionRun::siteSkipped, this,
            [this](const QString& site) { event(site + QStringLiteral(": skipped")); });
}

void RunPrinter::event(const QString& text)
{
    if (!m_quiet)
        line(text);
}

void RunPrinter::line(const QString& text)
{
    m_out << text << Qt::endl;
}
