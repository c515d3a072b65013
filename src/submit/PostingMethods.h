#pragma once

#include <QString>

// The posting methods beside the HTTP form, each posting the site the run has
// selected. The run owns none of them; a method that is not set up is not
// available, and a site needing it is not posted at all.
class FtpPostingMethod {
public:
    virtual ~FtpPostingMethod() = default;
    // One upload attempt of the current site, with a fresh client; true when it went through.
    virtual bool PostFtp(bool passive) = 0;
    // Stops the attempt in progress (Skip, Cancel); called while it waits.
    virtual void abort() = 0;
    // Why the last attempt failed, as the user reads it.
    virtual QString lastError() const { return QString(); }
};

class EmailPostingMethod {
public:
    virtual ~EmailPostingMethod() = default;
    // Mails the current site's submission for the row: to the site's recipient
    // of the kind, or the copy to the company contact. True when it was sent.
    virtual bool PostEmail(bool isNew, int row, bool isCopy) = 0;
    // Stops the mail in progress (Skip only); called while it waits.
    virtual void abort() = 0;
    // Why the last mail failed, as the user reads it.
    virtual QString lastError() const { return QString(); }
};
