#include "submit/EmailPosting.h"

#include "engines/TEngBuild.h"
#include "net/ESocketError.h"
#include "records/Clock.h"
#include "records/CompanyRecord.h"
#include "records/ListFile.h"
#include "records/ZentrelError.h"
#include "reports/TReportsFrm.h"
#include "submit/ApplicationSiteList.h"
#include "submit/MailPlan.h"
#include "submit/PlanSupport.h"
#include "submit/SubmissionRun.h"
#include "submit/SubmitDisplays.h"
#include "submit/TSMTPForm.h"

#include <QFile>
#include <QFileInfo>

EmailPosting::EmailPosting(Context context) : m_context(std::move(context)) {}

EmailPosting::~EmailPosting() = default;

void EmailPosting::abort()
{
    // Only a mail being sent has a client to stop.
    if (m_holder)
        m_holder->msSMTP1.Cancel();
}

bool EmailPosting::PostEmail(bool isNew, int row, bool isCopy)
{
    SubmitDisplays& displays = m_context.displays;
    TReportsFrm& reports = m_context.reports;
    TEngBuild& engine = *m_context.engine();
    const QString site = engine.siteName();
    const QString contact = m_context.company.field(CompanyField::Email);
    m_lastError.clear();

    displays.setMailStatus(QStringLiteral("Preparing Email"));
    m_holder = std::make_unique<TSMTPForm>(m_context.programIni, displays, reports);
    // The holder goes on every way out.
    struct Release {
        std::unique_ptr<TSMTPForm>& holder;
        ~Release() { holder.reset(); }
    } release{m_holder};
    TSMTPForm& holder = *m_holder;

    displays.setMailStatus(QStringLiteral("Preparing to mail to: ") + site);
    if (m_context.mailSetup().server.isEmpty() && m_showSetup)
        m_showSetup();
    const MailSetup& setup = m_context.mailSetup();

    const SiteListRow& listRow = m_context.siteList.rows().at(row);
    const QString filesDir = m_context.filesDir();
    const MailPlan plan = planMail(engine, m_context.application, m_context.company, listRow, isNew, isCopy, filesDir);
    holder.ToEdit = plan.recipient;
    holder.SubjectEdit = plan.subject;

    holder.msSMTP1.setServer(setup.server);
    holder.msSMTP1.setTimeOut(m_timeOut);
    holder.msMessage1.Sender() = TmsMailAddress(setup.userName.left(255), setup.userAddress.left(255));
    holder.msSMTP1.setLogFile(setup.logFileName);
    holder.msSMTP1.setUserName(setup.smtpUserName);
    holder.msSMTP1.setPassword(setup.smtpPassword);
    holder.msSMTP1.setRequireEncryption(setup.requireEncryption);

    displays.setMailStatus(isCopy ? QStringLiteral("Preparing Mail Copy To: ") + contact
                                  : QStringLiteral("Preparing Mail"));
    if (!plan.ok) {
        for (const QString& line : plan.runLog)
            displays.AddLog(line);
        for (const QString& line : plan.siteLog)
            reports.AddSiteLog(line);
        m_lastError = plan.runLog.value(0, plan.siteLog.value(0));
        return false;
    }
    holder.BodyMemo = plan.body;

    // The script goes as a file only when this mail wrote it; an old one must not go instead.
    const QString scriptFile = inFolder(filesDir, QStringLiteral("zkscript.tmp"));
    if (engine.site().emailAttachScript && QFileInfo::exists(scriptFile) && !QFile::remove(scriptFile)) {
        m_lastError = QStringLiteral("cannot delete ") + scriptFile;
        displays.AddLog(QStringLiteral("Unable to post Email to: ") + site + QStringLiteral(" (") + m_lastError + u')');
        return false;
    }
    try {
        if (!plan.scriptFile.isEmpty())
            ListFile::save(scriptFile, plan.scriptFile);
    } catch (const ZentrelError& e) {
        m_lastError = e.text();
        displays.AddLog(QStringLiteral("Unable to post Email to: ") + site + QStringLiteral(" (") + e.text() + u')');
        return false;
    }
    for (const MailAttachment& file : plan.attachments)
        holder.msMessage1.Attachments().Add(file.path);

    displays.setMailStatus(isCopy ? QStringLiteral("Sending Mail Copy...") : QStringLiteral("Sending Mail..."));
    if (m_context.skipRequested())
        return false;
    return send(site, isCopy);
}

bool EmailPosting::send(const QString& site, bool isCopy)
{
    SubmitDisplays& displays = m_context.displays;
    TSMTPForm& holder = *m_holder;
    const QString contact = m_context.company.field(CompanyField::Email);
    holder.MailFailed = false;
    holder.SocketError = false;
    TmsMessage& message = holder.msMessage1;
    message.Recipients().Clear();
    message.Recipients().Add(QString(), holder.ToEdit);
    message.setSubject(holder.SubjectEdit.left(255));
    message.setBody(holder.BodyMemo);
    message.setDate(Clock::now());
    holder.msSMTP1.setMailMessage(&message);

    displays.setMailProgress(0);
    displays.setMailProgressVisible(true);
    bool sent = false;
    bool raised = false;
    try {
        holder.msSMTP1.Send();
        sent = !holder.MailFailed;
    } catch (const ESocketError& e) {
        raised = true;
        m_lastError = u'[' + e.text() + u']';
        // A refusal the client does not announce is said once here, as its errors are.
        if (!holder.MailFailed) {
            m_context.reports.AddSiteLog(QStringLiteral("ERROR -> ") + e.text());
            displays.AddLog(QStringLiteral("SMTP Error"));
        }
    }
    displays.setMailProgressVisible(false);
    if (sent) {
        displays.setMailStatus(isCopy ? QStringLiteral("Mail Copy Sent") : QStringLiteral("Mail Sent"));
        displays.AddLog(isCopy ? contact + QStringLiteral(" E-Mailed Copy.")
                               : site + QStringLiteral(" E-Mailed Information."));
        if (!holder.msSMTP1.QuitError().isEmpty())
            m_context.reports.AddSiteLog(QStringLiteral("QUIT failed after the mail was accepted: ")
                                         + holder.msSMTP1.QuitError());
        return true;
    }
    displays.setMailStatus(QStringLiteral("Mail Send Error"));
    // A socket failure has had its lines from the error event; nothing more is said of it.
    if (!(raised && holder.SocketError))
        displays.AddLog((isCopy ? contact : site) + QStringLiteral(" EMail ERROR!!!"));
    return false;
}
