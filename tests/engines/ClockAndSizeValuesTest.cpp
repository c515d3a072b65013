#include "EngineFixture.h"

#include "records/Clock.h"

#include <QLocale>
#include <QRandomGenerator>

namespace {

// A clock that moves on by one minute and one second at every reading.
struct MovingClock {
    int readings = 0;
    MovingClock()
    {
        Clock::set([this] {
            const int n = readings++;
            return QDateTime(QDate(2026, 3, 7), QTime(9, n % 60, n % 60));
        });
    }
    ~MovingClock() { Clock::set({}); }
};

// What sizes in megabytes were before they were worked out in whole numbers.
QString megabytesByDouble(qint64 kilobytes)
{
    const double megabytes = double(kilobytes) / 1024.0;
    QString text = QString::number(megabytes, 'g', 15);
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text.truncate(point + 3);
    return text;
}

} // namespace

class ClockValuesTest : public EngineFixture {
protected:
    void SetUp() override { start(); }
    QString expand(const char* tmpl) { return engine->Expand(s(tmpl), ExpandMode::Check); }
};

TEST_F(ClockValuesTest, OneExpansionTellsOneMomentAndTheNextReadsTheClockAgain)
{
    MovingClock clock;
    EXPECT_EQ(expand("%CURTIME_HRS%:%CURTIME_MIN% %CURTIME_MIN% %CURDATE_DAY%.%CURDATE_MONTH%.%CURDATE_YEAR%"),
              s("9:0 0 7.3.2026"));
    EXPECT_EQ(clock.readings, 1);
    EXPECT_EQ(expand("%CURTIME_MIN%"), s("1"));
    EXPECT_EQ(expand("%CURTIME%"), QLocale::system().toString(QTime(9, 2, 2), QLocale::LongFormat));
    EXPECT_EQ(expand("no clock here"), s("no clock here"));
    EXPECT_EQ(clock.readings, 3) << "a template without clock variables does not read the clock";
    // Outside an expansion every lookup reads the clock.
    EXPECT_EQ(engine->Lookup(s("CURTIME_MIN"), ExpandMode::Check), s("3"));
    EXPECT_EQ(engine->Lookup(s("CURTIME_MIN"), ExpandMode::Check), s("4"));
}

TEST_F(ClockValuesTest, AHoldKeepsOneMomentAcrossExpansionsUntilItEnds)
{
    MovingClock clock;
    {
        ClockValues::Hold hold(engine->clockValues());
        EXPECT_EQ(expand("%CURTIME_MIN%"), s("0"));
        EXPECT_EQ(expand("%CURTIME_MIN%|%CURTIME%"),
                  s("0|") + QLocale::system().toString(QTime(9, 0, 0), QLocale::LongFormat));
    }
    EXPECT_EQ(expand("%CURTIME_MIN%|%CURTIME%"),
              s("1|") + QLocale::system().toString(QTime(9, 1, 1), QLocale::LongFormat));
    EXPECT_EQ(clock.readings, 2);
}

TEST(SizeConversion, MegabytesWorkedOutInWholeNumbersMatchTheDecimalForm)
{
    for (qint64 k = 1; k <= 20 * 1024; ++k)
        ASSERT_EQ(Megabytes(QString::number(k * 1024 + 1023)), megabytesByDouble(k)) << k;
    QRandomGenerator random(42);
    for (int i = 0; i < 50000; ++i) {
        const qint64 k = qint64(random.bounded(qint64(200000) * 1024)) + 1;
        ASSERT_EQ(Megabytes(QString::number(k * 1024)), megabytesByDouble(k)) << k;
    }
}
