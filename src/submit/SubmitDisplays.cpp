#include "submit/SubmitDisplays.h"

#include <algorithm>

namespace {
const QString Idle = QStringLiteral("Idle");
}

SubmitDisplays::SubmitDisplays(QObject* parent)
    : QObject(parent), m_httpStatus(Idle), m_ftpStatus(Idle), m_mailStatus(Idle)
{
}

void SubmitDisplays::append(QStringListModel& list, const QString& text)
{
    const int row = list.rowCount();
    list.insertRows(row, 1);
    list.setData(list.index(row), text);
}

void SubmitDisplays::AddLog(const QString& text)
{
    append(m_log, text);
    emit logLineAdded(m_log.rowCount() - 1);
}

void SubmitDisplays::AddFtpLog(const QString& text)
{
    append(m_ftpList, text);
    emit ftpLineAdded(m_ftpList.rowCount() - 1);
}

void SubmitDisplays::clearLog()
{
    m_log.setStringList({});
}

void SubmitDisplays::clearFtpList()
{
    m_ftpList.setStringList({});
}

void SubmitDisplays::setXfer(const QStringList& lines)
{
    m_xfer.setStringList(lines);
    emit xferChanged(int(lines.size()) - 1);
}

void SubmitDisplays::clearXfer()
{
    m_xfer.setStringList({});
    emit xferChanged(-1);
}

void SubmitDisplays::setCurrentSite(const QString& site)
{
    m_currentSite = site;
    emit currentSiteChanged(site);
}

void SubmitDisplays::setHttpStatus(const QString& text)
{
    m_httpStatus = text;
    emit statusChanged();
}

void SubmitDisplays::setFtpStatus(const QString& text)
{
    m_ftpStatus = text;
    emit statusChanged();
}

void SubmitDisplays::setMailStatus(const QString& text)
{
    m_mailStatus = text;
    emit statusChanged();
}

void SubmitDisplays::setLamp(Lamp which, bool on, bool blinking)
{
    const LampState state{on, blinking};
    if (m_lamps[int(which)] == state)
        return;
    m_lamps[int(which)] = state;
    emit lampChanged(which);
}

void SubmitDisplays::setIdle()
{
    m_httpStatus = m_ftpStatus = m_mailStatus = Idle;
    emit statusChanged();
    for (Lamp which : {Lamp::Http, Lamp::Ftp, Lamp::Mail})
        setLamp(which, false, false);
}

void SubmitDisplays::setHttpBytes(qint64 bytes)
{
    m_httpBytes = bytes;
    emit httpBytesChanged(bytes);
}

void SubmitDisplays::setMailProgressVisible(bool visible)
{
    m_mailProgressVisible = visible;
    emit mailProgressChanged();
}

void SubmitDisplays::setMailProgress(int percent)
{
    m_mailProgress = std::clamp(percent, 0, 100);
    emit mailProgressChanged();
}

void SubmitDisplays::setCounters(int total)
{
    m_sitesToPost = std::max(total, 0);
    m_sitesProcessed = 0;
    m_progressMaximum = m_sitesToPost;
    m_progressPosition = 0;
    emit countersChanged();
}

void SubmitDisplays::siteProcessed(int processedCount)
{
    m_sitesProcessed = processedCount;
    m_sitesToPost = std::max(m_sitesToPost - 1, 0);
    m_progressPosition = std::min(m_progressPosition + 1, m_progressMaximum);
    emit countersChanged();
}

void SubmitDisplays::setProgressPosition(int position)
{
    m_progressPosition = std::clamp(position, 0, m_progressMaximum);
    emit countersChanged();
}

void SubmitDisplays::BeginPosting()
{
    if (m_posting)
        return;
    m_posting = true;
    emit postingChanged(true);
}

void SubmitDisplays::EndPosting()
{
    m_sitesToPost = 0;
    m_sitesProcessed = 0;
    m_progressPosition = 0;
    emit countersChanged();
    m_mailProgress = 0;
    emit mailProgressChanged();
    if (!m_posting)
        return;
    m_posting = false;
    emit postingChanged(false);
}
