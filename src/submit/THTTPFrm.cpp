#include "submit/THTTPFrm.h"

#include "reports/TReportsFrm.h"
#include "submit/SubmitDisplays.h"

THTTPFrm::THTTPFrm(SubmitDisplays& displays, TReportsFrm& reports, QObject* parent)
    : QObject(parent), m_displays(displays), m_reports(reports)
{
    HTTP1.setWinsockLoaded(true);
    HTTP1.setDefaultPort(80);
    HTTP1.setTimeOut(90);
    HTTP1.OnError = [this](TagSocket&, const QString& message) {
        const QString line = QStringLiteral("ERROR:  [") + message + u']';
        m_reports.AddSiteLog(line);
        m_displays.AddLog(line);
    };
    HTTP1.OnProgress = [this](TagSocket&, int, qint64 bytes) { m_displays.setHttpBytes(bytes); };
    HTTP1.OnSending = [this](TagHTTP&) { m_reports.AddSiteLog(QStringLiteral("[Starting Transfer]")); };
}
