#include "services/SimtelRequest.h"

#include "net/ESocketError.h"
#include "net/TPlainSMTP.h"
#include "net/TextLines.h"
#include "records/ProgramSettings.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "services/ServiceAddresses.h"
#include "submit/ApplicationSiteList.h"
#include "submit/SubmissionRun.h"

#include <utility>

namespace {

const QString Incomplete = QStringLiteral("You must enter valid information in all fields.  If any of your "
                                          "information is not valid, Simtel will reject your request.");
const QString NotAuthor = QStringLiteral("You did not check the Author checkbox.  If you are not the author or the "
                                         "author's authorized agent, you cannot upload to Simtel.");

} // namespace

SimtelRequest::SimtelRequest(Context context) : m_context(std::move(context)) {}

SimtelRequestFields SimtelRequest::fieldsFromSettings() const
{
    SimtelRequestFields fields;
    fields.server = m_context.settings.smtp;
    fields.replyTo = m_context.settings.email;
    fields.userName = m_context.settings.name;
    return fields;
}

QString SimtelRequest::subject(const SimtelRequestFields& fields)
{
    return QStringLiteral("Simtel Upload Request - ") + fields.application;
}

QStringList SimtelRequest::messageLines(const SimtelRequestFields& fields)
{
    QStringList lines;
    lines << QStringLiteral("Application Name:") << fields.application << QString()
          << QStringLiteral("Brief Description:");
    lines << textLines(fields.description);
    lines << QString() << QStringLiteral("Request for upload instructions by:") << fields.userName << fields.replyTo
          << QString()
          << QStringLiteral("This Zentrel user has indicated that he/she is the author or the author's authorized "
                            "agent.")
          << QString() << QStringLiteral("Method of upload to be used:") << QStringLiteral("FTP via Zentrel")
          << QString() << QString() << QString(59, u'=') << QStringLiteral("Request processed through Zentrel");
    return lines;
}

bool SimtelRequest::send(const SimtelRequestFields& fields)
{
    UserPrompts& prompts = m_context.prompts;
    if (fields.userName.isEmpty() || fields.replyTo.isEmpty() || fields.server.isEmpty()
        || fields.description.isEmpty() || fields.application.isEmpty()) {
        prompts.error(Incomplete);
        return false;
    }
    if (!fields.author) {
        prompts.error(NotAuthor);
        return false;
    }

    TPlainSMTP smtp;
    smtp.setWinsockLoaded(true);
    smtp.setMailServer(fields.server);
    smtp.setTimeOut(m_context.settings.httpTimeOut);
    smtp.RequireEncryption = m_context.settings.requireEncryption;
    // The sign-in belongs to the user's own server; a request sent through
    // another server named in the form does not carry it there.
    if (m_context.settings.isOwnMailServer(fields.server)) {
        smtp.UserName = m_context.settings.smtpUserName;
        smtp.Password = m_context.settings.smtpPassword;
    }
    smtp.setAction(smtpResetHeaders);
    smtp.From = fields.userName;
    smtp.ReplyTo = fields.replyTo;
    smtp.SendTo << ServiceAddresses::simtelMailbox();
    smtp.Subject = subject(fields);
    smtp.MessageText = messageLines(fields);
    smtp.OtherHeaders << QStringLiteral("X-Mailer: Zentrel");
    {
        BusyCursor busy(prompts);
        try {
            smtp.setAction(smtpSend);
        } catch (const ESocketError& e) {
            // Nothing more goes to a server that refused or stopped answering.
            smtp.close();
            prompts.error(e.text());
            return false;
        }
    }
    prompts.info(QStringLiteral("Message sent successfully to server"));
    try {
        smtp.setAction(smtpDisconnect);
    } catch (const ESocketError&) {
        smtp.close(); // the request is with the server already
    }

    unmarkSimtelRows();

    ProgramSettings& settings = m_context.settings;
    settings.smtp = fields.server;
    settings.email = fields.replyTo;
    settings.name = fields.userName;
    try {
        settings.saveDialogValues(m_context.settingsFile);
    } catch (const ZentrelError& e) {
        // The request is sent; the settings stay held for the rest of the session.
        prompts.error(e.text());
    }
    return true;
}

void SimtelRequest::acceptPassword(const QString& password)
{
    if (password.isEmpty()) {
        unmarkSimtelRows();
        return;
    }
    m_context.run.setSimtelPassword(password);
    try {
        m_context.run.writeSimtelPassword();
    } catch (const ZentrelError& e) {
        // Still held: the run's first step and the program's close write it again.
        m_context.prompts.error(e.text());
    }
}

void SimtelRequest::unmarkSimtelRows()
{
    ApplicationSiteList& list = m_context.siteList;
    const int selected = list.currentRow();
    bool unmarked = false;
    for (int row = 0; row < list.rows().size(); ++row) {
        const SiteListRow& r = list.rows().at(row);
        if (!SubmissionRun::isSimtelSite(r.site) || r.post != u"Y")
            continue;
        // The list changes a row's P through its selection; the count of sites to
        // post and the changed mark follow it there.
        list.setCurrentRow(row);
        list.setPost(false);
        unmarked = true;
    }
    if (unmarked)
        list.setCurrentRow(selected);
}
