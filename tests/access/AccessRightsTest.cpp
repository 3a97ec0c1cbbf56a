#include "AccessRights.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

QString Shown(const TAccessRights& rights) {
  QString text;
  for (bool page : rights.MainPages) text += page ? '1' : '0';
  text += ' ';
  for (bool page : rights.SettingsPages) text += page ? '1' : '0';
  text += ' ';
  for (bool page : rights.SpectrPages) text += page ? '1' : '0';
  return text;
}

}  // namespace

TEST(AccessRights, ItemsShowTheirPagesAndMainPagesFollowTheirSubPages) {
  struct TRow {
    const char* Access;
    const char* Shown;  // main pages, settings sub-pages, spectrum sub-pages
  };
  const TRow rows[] = {
      {"1-1;1-2;", "10000 1100000 00"},
      {"2-1;", "01000 0000000 10"},
      {"3;4", "00110 0000000 00"},
      {"1-;", "00000 0000000 00"},
      {"1", "00000 0000000 00"},
      {"x-2", "10000 0100000 00"},
      {"9-1", "00000 0000000 00"},
      {"1-9", "00000 0000000 00"},
      {"1-x;2-2;5", "11001 1000000 01"},
      {"3-1;4-7;", "00110 0000000 00"},
      {";;-3;1-7;", "10000 0000001 00"},
      {"", "00000 0000000 00"},
      {"1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;", "11111 1111111 11"},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(Shown(TAccessRights::Parse(row.Access)), QString::fromLatin1(row.Shown)) << row.Access;
}
