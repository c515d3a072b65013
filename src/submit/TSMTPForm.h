#pragma once

#include "net/TmsMessage.h"
#include "net/TmsSMTP.h"

#include <QObject>
#include <QString>
#include <QStringList>

class SubmitDisplays;
class TReportsFrm;

// The carrier of one mail of a run: the client msSMTP1 and the message
// msMessage1, the fields that feed them, and the handlers that tell the site's
// report page, the run log and the mail progress bar what the client does. A
// fresh one serves every mail; it is never shown.
class TSMTPForm : public QObject {
public:
    // programIni: the profile file beside the program, whose section "Setup"
    // gives the client's defaults (only the character set and encoding survive
    // a run, which sets the rest from the mail setup).
    TSMTPForm(const QString& programIni, SubmitDisplays& displays, TReportsFrm& reports, QObject* parent = nullptr);

    TmsSMTP msSMTP1;
    TmsMessage msMessage1;
    QString ToEdit;
    QString SubjectEdit;
    QStringList BodyMemo;
    // Set by the error and address-rejected events of the send in progress.
    bool MailFailed = false;
    // The failure was the socket's, told by the error event (its lines are written).
    bool SocketError = false;
    // The holder's own status bar; nothing shows it.
    QString status;

    // From section "Setup" of the program's profile file.
    QString setupServer;
    QString setupAddress;
    QString setupName;
    QString setupLogFile;

    // The one line of the product notice every mail carries.
    static QString productNotice();

private:
    SubmitDisplays& m_displays;
    TReportsFrm& m_reports;
};
