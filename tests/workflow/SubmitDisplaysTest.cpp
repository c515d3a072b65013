#include "submit/SubmitDisplays.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {
QString s(const char* text) { return QString::fromLatin1(text); }
using Lamp = SubmitDisplays::Lamp;
} // namespace

TEST(SubmitDisplays, LogLinesAppendInOrderAndNameTheNewLastRow)
{
    SubmitDisplays d;
    QSignalSpy added(&d, &SubmitDisplays::logLineAdded);
    QSignalSpy ftpAdded(&d, &SubmitDisplays::ftpLineAdded);
    d.AddLog(s("first"));
    d.AddLog(s("second"));
    d.AddFtpLog(s("Sending File -> a.zip"));
    EXPECT_EQ(d.logLines(), (QStringList{s("first"), s("second")}));
    EXPECT_EQ(d.ftpLines(), QStringList{s("Sending File -> a.zip")});
    ASSERT_EQ(added.count(), 2);
    EXPECT_EQ(added.at(1).at(0).toInt(), 1);
    EXPECT_EQ(ftpAdded.at(0).at(0).toInt(), 0);
    // An empty line and one with a separator byte stay what they were.
    d.AddLog(QString());
    d.AddLog(QString(QChar(0xB1)) + s("x"));
    EXPECT_EQ(d.logLines().mid(2), (QStringList{QString(), QString(QChar(0xB1)) + s("x")}));

    d.clearLog();
    d.clearFtpList();
    EXPECT_TRUE(d.logLines().isEmpty());
    EXPECT_TRUE(d.ftpLines().isEmpty());
    d.AddLog(s("again"));
    EXPECT_EQ(added.last().at(0).toInt(), 0);
}

TEST(SubmitDisplays, StatusTextsAndLampsGoBackToIdle)
{
    SubmitDisplays d;
    EXPECT_EQ(d.httpStatus(), s("Idle"));
    EXPECT_EQ(d.ftpStatus(), s("Idle"));
    EXPECT_EQ(d.mailStatus(), s("Idle"));
    d.setHttpStatus(s("Posted on Alpha"));
    d.setMailStatus(s("Mail Sent"));
    d.setLamp(Lamp::Ftp, true, true);
    d.setLamp(Lamp::Http, true, false);
    EXPECT_EQ(d.lamp(Lamp::Ftp), (SubmitDisplays::LampState{true, true}));
    QSignalSpy lamps(&d, &SubmitDisplays::lampChanged);
    d.setIdle();
    EXPECT_EQ(lamps.count(), 2) << "only the lamps that were on change";
    for (Lamp l : {Lamp::Http, Lamp::Ftp, Lamp::Mail})
        EXPECT_EQ(d.lamp(l), SubmitDisplays::LampState{});
    EXPECT_EQ(d.httpStatus(), s("Idle"));
    EXPECT_EQ(d.mailStatus(), s("Idle"));
}

TEST(SubmitDisplays, CountersFollowTheRunAndBigRunsKeepTheirTrueCount)
{
    SubmitDisplays d;
    d.setCounters(1500);
    EXPECT_EQ(d.sitesToPost(), 1500);
    EXPECT_EQ(d.sitesProcessed(), 0);
    EXPECT_EQ(d.progressMaximum(), 1500);
    EXPECT_EQ(d.progressPosition(), 0);
    for (int i = 1; i <= 1200; ++i)
        d.siteProcessed(i);
    EXPECT_EQ(d.sitesToPost(), 300);
    EXPECT_EQ(d.sitesProcessed(), 1200);
    EXPECT_EQ(d.progressPosition(), 1200);

    // More sites done than counted (a count made before edits): nothing below zero or past the end.
    d.setCounters(1);
    d.siteProcessed(1);
    d.siteProcessed(2);
    EXPECT_EQ(d.sitesToPost(), 0);
    EXPECT_EQ(d.progressPosition(), 1);
}

TEST(SubmitDisplays, PostingStartsAndEndsOnceAndTheEndZeroesTheCounters)
{
    SubmitDisplays d;
    QSignalSpy posting(&d, &SubmitDisplays::postingChanged);
    d.setCounters(7);
    d.BeginPosting();
    d.BeginPosting();
    EXPECT_TRUE(d.Posting());
    d.siteProcessed(1);
    d.EndPosting();
    EXPECT_FALSE(d.Posting());
    ASSERT_EQ(posting.count(), 2);
    EXPECT_TRUE(posting.at(0).at(0).toBool());
    EXPECT_FALSE(posting.at(1).at(0).toBool());
    EXPECT_EQ(d.sitesToPost(), 0);
    EXPECT_EQ(d.sitesProcessed(), 0);
    EXPECT_EQ(d.progressPosition(), 0);
}
