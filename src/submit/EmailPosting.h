#pragma once

#include "submit/PostingMethods.h"

#include <QString>

#include <functional>
#include <memory>

class ApplicationRecord;
class ApplicationSiteList;
class CompanyRecord;
class SubmitDisplays;
class TEngBuild;
class TReportsFrm;
class TSMTPForm;
struct MailSetup;

// E-mail posting: the site's submission mail, or the copy for the company
// contact, through the user's SMTP server. One holder per mail.
class EmailPosting : public EmailPostingMethod {
public:
    struct Context {
        std::function<TEngBuild*()> engine;
        ApplicationRecord& application;
        CompanyRecord& company;
        ApplicationSiteList& siteList;
        SubmitDisplays& displays;
        TReportsFrm& reports;
        std::function<const MailSetup&()> mailSetup;
        std::function<QString()> filesDir;
        std::function<bool()> skipRequested;
        QString programIni; // "zentrel.ini" beside the program
    };

    explicit EmailPosting(Context context);
    ~EmailPosting() override;

    // Shows the mail setup dialog when the run's setup names no server.
    void setSetupDialog(std::function<void()> show) { m_showSetup = std::move(show); }
    // Seconds any single wait of a mail may take; the mail client's own 60 by default.
    void setTimeOut(int seconds) { m_timeOut = seconds; }

    bool PostEmail(bool isNew, int row, bool isCopy) override;
    void abort() override;
    QString lastError() const override { return m_lastError; }

private:
    bool send(const QString& site, bool isCopy);

    Context m_context;
    std::function<void()> m_showSetup;
    std::unique_ptr<TSMTPForm> m_holder;
    QString m_lastError;
    int m_timeOut = 60;
};
