#pragma once

#include "net/TagHTTP.h"

#include <QObject>

class SubmitDisplays;
class TReportsFrm;

// The carrier of one site's HTTP post: the client HTTP1 and its handlers,
// which tell the run log, the site's report page and the byte counter what
// the client does. A fresh one serves every site; it is never shown.
class THTTPFrm : public QObject {
public:
    THTTPFrm(SubmitDisplays& displays, TReportsFrm& reports, QObject* parent = nullptr);

    TagHTTP HTTP1;

private:
    SubmitDisplays& m_displays;
    TReportsFrm& m_reports;
};
