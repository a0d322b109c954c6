// The status log: line format and the 500-line bound.
#include "engine/status_log.h"

#include "recording_host.h"

#include <QRegularExpression>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST(StatusLineTest, TimeHasTwoDigitFieldsOnTheTwentyFourHourClock) {
  EXPECT_EQ(status_line(QTime(7, 5, 3), QStringLiteral("x")), QStringLiteral("07:05:03 - x"));
  EXPECT_EQ(status_line(QTime(23, 59, 0), QStringLiteral("")), QStringLiteral("23:59:00 - "));
}

TEST(StatusLogTest, EachLineIsTimeDashText) {
  test::RecordingHost host;
  StatusLog log(host);
  log.do_status(QStringLiteral("Email Filtering: On"));
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d - Email Filtering: On$"))
                  .match(log.lines().first())
                  .hasMatch())
      << log.lines().first().toStdString();
}

TEST(StatusLogTest, HoldsAtMostFiveHundredLinesDroppingTheOldest) {
  test::RecordingHost host;
  StatusLog log(host);
  for (int i = 1; i <= 500; ++i) log.do_status(QString::number(i));
  EXPECT_EQ(log.lines().size(), 500);
  EXPECT_EQ(host.dropped, 0);
  log.do_status(QStringLiteral("501"));
  ASSERT_EQ(log.lines().size(), 500);
  EXPECT_EQ(host.dropped, 1);
  EXPECT_TRUE(log.lines().first().endsWith(QStringLiteral(" - 2")));
  EXPECT_TRUE(log.lines().last().endsWith(QStringLiteral(" - 501")));
}

}  // namespace
}  // namespace halvex
