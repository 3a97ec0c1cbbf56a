#include "DeviceValues.h"

#include <gtest/gtest.h>

using namespace DeviceValues;

TEST(DeviceDateTime, ParsesDateAndTimeByCharacterPosition) {
  const struct {
    const char* text;
    QDate date;  // null: no date
    QTime time;  // null: no time
  } rows[] = {
      {"07/03/2005 14.05.09", QDate(2005, 3, 7), QTime(14, 5, 9)},
      {"07.03.2005 14:05:09", QDate(2005, 3, 7), QTime(14, 5, 9)},
      {"  31-12-1999   23 59 58 X", QDate(1999, 12, 31), QTime(23, 59, 58)},
      {"07/03/2005", QDate(), QTime()},                     // no space: nothing
      {"07/03/2005 25.00.00", QDate(2005, 3, 7), QTime()},  // date only
      {"07/03/2005 ", QDate(2005, 3, 7), QTime()},
      {"31/02/2005 14.05.09", QDate(), QTime()},  // no 31 February, no time either
      {"7/3/2005 14.05.09", QDate(), QTime()},
      {"07/03/20 14.05.09", QDate(), QTime()},
      {"ab/cd/efgh 14.05.09", QDate(), QTime()},
      {"07/03/2005 14.05", QDate(2005, 3, 7), QTime()},
      {"", QDate(), QTime()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const TDeviceDateTime parsed = ParseDeviceDateTime(row.text);
    EXPECT_EQ(parsed.Date.value_or(QDate()), row.date);
    EXPECT_EQ(parsed.Time.value_or(QTime()), row.time);
    EXPECT_EQ(parsed.Date.has_value(), row.date.isValid());
    EXPECT_EQ(parsed.Time.has_value(), row.time.isValid());
  }
}

TEST(DeviceDateTime, FormatsAndReplacesParts) {
  EXPECT_EQ(FormatDeviceDateTime(QDate(2005, 3, 7), QTime(14, 5, 9)), "07/03/2005 14.05.09");
  EXPECT_EQ(FormatDeviceDateTime(QDate(987, 11, 30), QTime(0, 0, 0)), "30/11/0987 00.00.00");

  const struct {
    const char* text;
    const char* withDate;  // date set to 1 January 2010
    const char* withTime;  // time set to 08:00:00
  } rows[] = {
      {"07/03/2005 14.05.09", "01/01/2010 14.05.09", "07/03/2005 08.00.00"},
      {"07/03/2005 14.05.09 X", "01/01/2010 14.05.09", "07/03/2005 08.00.00"},
      {"  07/03/2005   14.05.09", "01/01/2010 14.05.09", "07/03/2005 08.00.00"},
      {"07/03/2005", "07/03/2005", "07/03/2005"},
      {"garbage here", "01/01/2010 here", "garbage 08.00.00"},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ReplaceDatePart(row.text, QDate(2010, 1, 1)), row.withDate);
    EXPECT_EQ(ReplaceTimePart(row.text, QTime(8, 0, 0)), row.withTime);
  }
}

TEST(DeviceStatus, SetBitsAreFaultsAndNonIntegersAreAllOk) {
  const struct {
    const char* status;
    bool faults[kStatusFaultCount];
  } rows[] = {
      {"0", {false, false, false, false, false, false}},  {"5", {true, false, true, false, false, false}},
      {"33", {true, false, false, false, false, true}},   {" 63 ", {true, true, true, true, true, true}},
      {"64", {false, false, false, false, false, false}}, {"abc", {false, false, false, false, false, false}},
      {"", {false, false, false, false, false, false}},   {"-1", {true, true, true, true, true, true}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.status);
    for (int bit = 0; bit < kStatusFaultCount; ++bit)
      EXPECT_EQ(IsFault(row.status, static_cast<TStatusFault>(bit)), row.faults[bit]) << "bit " << bit;
  }
}

TEST(DeviceTest, ReadsAndTogglesTestBits) {
  const struct {
    const char* test;
    bool pump, tape, activity;
    const char* pumpToggled;
    const char* tapeToggled;
    const char* activityToggled;
  } rows[] = {
      {"129", true, false, true, "128", "131", "1"},   {"300", false, false, false, "301", "302", "428"},
      {"301", true, false, false, "44", "303", "429"}, {" 2 ", false, true, false, "3", "0", "130"},
      {"x", false, false, false, "1", "2", "128"},     {"", false, false, false, "1", "2", "128"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.test);
    EXPECT_EQ(IsTestBitSet(row.test, kTestPump), row.pump);
    EXPECT_EQ(IsTestBitSet(row.test, kTestTape), row.tape);
    EXPECT_EQ(IsTestBitSet(row.test, kTestActivity), row.activity);
    EXPECT_EQ(ToggleTestBit(row.test, kTestPump), row.pumpToggled);
    EXPECT_EQ(ToggleTestBit(row.test, kTestTape), row.tapeToggled);
    EXPECT_EQ(ToggleTestBit(row.test, kTestActivity), row.activityToggled);
  }
}

TEST(DeviceAlarmBlock, IndicatorColoursAndSirene) {
  const struct {
    const char* value;
    TAlarmColour colour;
  } colours[] = {
      {"0", TAlarmColour::Green}, {"1", TAlarmColour::Yellow}, {"2", TAlarmColour::Red},     {"7", TAlarmColour::Green},
      {"5", TAlarmColour::Green}, {"", TAlarmColour::Green},   {"abc", TAlarmColour::Green},
  };
  for (const auto& row : colours) EXPECT_EQ(AlarmColour(row.value), row.colour) << row.value;
  for (TAlarmColour colour : {TAlarmColour::Green, TAlarmColour::Yellow, TAlarmColour::Red})
    EXPECT_EQ(AlarmColour(AlarmColourValue(colour)), colour);
  EXPECT_EQ(AlarmColourValue(TAlarmColour::Red), "2");

  const struct {
    const char* value;
    bool on;
    const char* toggled;
  } sirene[] = {{"1", true, "0"}, {"0", false, "1"}, {"2", false, "0"}, {"", false, "0"}, {"on", false, "0"}};
  for (const auto& row : sirene) {
    EXPECT_EQ(IsSireneOn(row.value), row.on) << row.value;
    EXPECT_EQ(ToggleSirene(row.value), row.toggled) << row.value;
  }
}

TEST(DeviceFlags, OnOffSwitchesSetpointsAndCounterConnection) {
  EXPECT_EQ(OnOffState("1"), true);
  EXPECT_EQ(OnOffState("0"), false);
  EXPECT_EQ(OnOffState("2"), std::nullopt);
  EXPECT_EQ(OnOffState(""), std::nullopt);
  EXPECT_EQ(OnOffValue(true), "1");
  EXPECT_EQ(OnOffValue(false), "0");

  EXPECT_TRUE(IsOn("1"));
  EXPECT_FALSE(IsOn("0"));
  EXPECT_FALSE(IsOn("yes"));

  EXPECT_TRUE(IsCounterNotConnected("0"));
  EXPECT_TRUE(IsCounterNotConnected("  0 \t"));
  EXPECT_FALSE(IsCounterNotConnected("0.0"));
  EXPECT_FALSE(IsCounterNotConnected("0.01"));
  EXPECT_FALSE(IsCounterNotConnected(""));
}
