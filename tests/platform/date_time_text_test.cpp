#include "platform/date_time_text.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <limits>

namespace {

// 8 December 2026, a Tuesday, 04:05:00.
constexpr double kTuesdayMorning = 46364.0 + (4 * 3600 + 5 * 60) / 86400.0;
// The same day at 16:30:09.
constexpr double kTuesdayAfternoon = 46364.0 + (16 * 3600 + 30 * 60 + 9) / 86400.0;

const QLocale kChinese(QLocale::Chinese, QLocale::China);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(DateTimeText, HeaderPatternsInChineseAndEnglish) {
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "yyyy/M/d dddd", " hh:mm:ss", true, kChinese),
              "2026/12/8 星期二 04:05:00");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "yyyy/M/d dddd", " hh:mm:ss", true, kEnglish),
              "2026/12/8 Tuesday 04:05:00");
    EXPECT_EQ(DateTimeText(kTuesdayAfternoon, "yyyy/M/d dddd", " hh:mm:ss", true, kChinese),
              "2026/12/8 星期二 16:30:09");
}

TEST(DateTimeText, TwelveHourClockUnlessForced) {
    EXPECT_EQ(DateTimeText(kTuesdayAfternoon, "", "h:mm tt", false, kEnglish), "4:30 PM");
    EXPECT_EQ(DateTimeText(kTuesdayAfternoon, "", "h:mm tt", true, kEnglish), "16:30 PM");
    EXPECT_EQ(DateTimeText(kTuesdayAfternoon, "", "HH:mm", false, kEnglish), "16:30");
    EXPECT_EQ(DateTimeText(46364.0, "", "hh:mm:ss", false, kEnglish), "12:00:00");
}

TEST(DateTimeText, OtherPicturesAndQuotedText) {
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "dd.MM.yy ddd", "", false, kEnglish), "08.12.26 Tue");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "MMMM 'of' yyyy", "", false, kEnglish),
              "December of 2026");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "yyyy'年'M'月'd'日'", "", false, kChinese),
              "2026年12月8日");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "'it''s' d", "", false, kEnglish), "it's 8");
}

TEST(DateTimeText, PatternsOfTwoCharactersOrFewerGiveNoPart) {
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "yy", " hh:mm", true, kEnglish), " 04:05");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "d/M", "ss", true, kEnglish), "8/12");
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "", "", true, kEnglish), "");
    // Counted in characters, not bytes: three Chinese characters are long enough.
    EXPECT_EQ(DateTimeText(kTuesdayMorning, "年月日", "", true, kChinese), "年月日");
}

TEST(DateTimeText, DaysBeforeTheEpochCountTheFractionForward) {
    EXPECT_EQ(DateTimeText(-1.25, "yyyy/M/d dddd", " HH:mm", false, kEnglish),
              "1899/12/29 Friday 06:00");
    EXPECT_EQ(DateTimeText(-0.5, "yyyy/M/d", " HH:mm", false, kEnglish), "1899/12/30 12:00");
    EXPECT_EQ(DateTimeText(0.0, "yyyy/M/d", " HH:mm:ss", false, kEnglish), "1899/12/30 00:00:00");
}

TEST(DateTimeText, SecondsRoundAndCarryIntoTheNextDay) {
    EXPECT_EQ(DateTimeText(46364.0 - 1e-9, "yyyy/M/d", " HH:mm:ss", true, kEnglish),
              "2026/12/8 00:00:00");  // 23:59:59.9999 rounds up to the next day
    EXPECT_EQ(DateTimeText(46364.9999999, "yyyy/M/d", " HH:mm:ss", true, kEnglish),
              "2026/12/9 00:00:00");
}

TEST(DateTimeText, MomentsThatAreNoDateGiveTheEmptyText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double moment : {nan, inf, -inf, 2958466.0, -657435.0, 1e12, -1e300}) {
        EXPECT_EQ(DateTimeText(moment, "yyyy/M/d dddd", " hh:mm:ss", true, kChinese), "") << moment;
    }
    // The first and the last day of the range still convert.
    EXPECT_EQ(DateTimeText(-657434.0, "yyyy/M/d", "", true, kEnglish), "100/1/1");
    EXPECT_EQ(DateTimeText(2958465.5, "yyyy/M/d", " HH:mm", true, kEnglish), "9999/12/31 12:00");
}

}  // namespace
