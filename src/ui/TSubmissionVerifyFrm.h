#pragma once

#include <QDialog>

struct SiteCounts;
class QLabel;

// "Submission Verification:": what a run is about to post, confirmed with
// "Start Submission".
class TSubmissionVerifyFrm : public QDialog {
    Q_OBJECT
public:
    TSubmissionVerifyFrm(const QString& application, const QString& company, const SiteCounts& counts,
                         QWidget* parent = nullptr);

    // The label of a count by its name ("TotalLbl", "NewLbl", ...).
    QString shown(const char* labelName) const;
};
