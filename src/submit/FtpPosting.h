#pragma once

#include "net/TFtpClient.h"
#include "net/TZipArchive.h"
#include "submit/PostingMethods.h"
#include "submit/TftpForm1.h"

#include <QString>

#include <functional>
#include <memory>

class ApplicationRecord;
class SubmitDisplays;
class TEngBuild;
class UserPrompts;
struct FtpPlan;

// FTP posting: the program archive, and the site's added text file beside it
// or inside it, to the site's FTP server. One holder per attempt.
class FtpPosting : public FtpPostingMethod {
public:
    struct Context {
        std::function<TEngBuild*()> engine;
        ApplicationRecord& application;
        SubmitDisplays& displays;
        UserPrompts& prompts;
        std::function<QString()> filesDir;
    };

    explicit FtpPosting(Context context);
    ~FtpPosting() override;

    bool PostFtp(bool passive) override;
    void abort() override;
    QString lastError() const override { return m_lastError; }

    // Seconds any wait of the client may take.
    void setTimeOut(int seconds) { m_timeOut = seconds; }

    // The state an attempt leaves for its owner.
    const FtpAttemptState& state() const { return m_state; }
    const QString& AddedText() const { return m_addedText; }
    const QString& AddedTextName() const { return m_addedTextName; }

    // Packs the program (and the added text) for sites that take a zip archive.
    TZipArchive ZipArchive1;

private:
    bool post();
    // Writes the added text under its name in the files directory; false when it
    // cannot be prepared (nothing is sent for it then).
    bool PrepareAddedTextFile(const FtpPlan& plan);
    // One upload of the holder's local file to its remote file.
    bool UploadFile();
    bool setMode(TTransferMode mode);
    bool send(const QString& localFile, const QString& remoteFile, TTransferMode mode);
    bool zip(const QString& archive, const QString& file);
    bool copy(const QString& from, const QString& to);
    bool fail(const QString& why);
    QString filesDir() const;

    Context m_context;
    std::unique_ptr<TftpForm1> m_holder;
    FtpAttemptState m_state;
    QString m_addedText;
    QString m_addedTextName;
    QString m_site;
    QString m_lastError;
    int m_timeOut = 60;
};
