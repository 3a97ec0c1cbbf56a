#include "ProgressSink.h"
#include "RecordingBar.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

// The driver's bars and the archive read's overall bar go through one rule.
// Integer arithmetic: 29 % of a hundred is 29, where 0.29 * 100 in floating
// point falls just short and was cut to 28.
TEST(ProgressSink, PositionIsTheShareOfTheBarsRangeAndStopsAtEmptyAndFull) {
  ShowProgress(nullptr, 50);  // no bar: nothing happens
  const struct {
    int Minimum, Maximum;
    std::vector<int> Percents;
    std::vector<int> Positions;
  } rows[] = {
      {10, 110, {0, 33, 50, 100, 150, -5}, {10, 43, 60, 110, 110, 10}},
      {0, 100, {29, 57, 58}, {29, 57, 58}},
      {0, 3, {33, 34, 66, 67, 99}, {0, 1, 1, 2, 2}},
      {INT_MIN, INT_MAX, {0, 50, 100}, {INT_MIN, -1, INT_MAX}},
  };
  for (const auto& row : rows) {
    TRecordingBar bar(row.Minimum, row.Maximum);
    for (const int percent : row.Percents) ShowProgress(&bar, percent);
    EXPECT_EQ(bar.Positions, row.Positions) << row.Minimum << ".." << row.Maximum;
  }
}
