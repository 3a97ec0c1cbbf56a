#include "Win1251.h"

#include <gtest/gtest.h>

TEST(Win1251, ConvertsBothWays) {
  const QByteArray bytes("\xCA\xC5\xC2 1.70 - \xB9 1");  // "КЕВ 1.70 - № 1"
  const QString text = QString::fromUtf8("КЕВ 1.70 - № 1");
  EXPECT_EQ(Win1251::ToUnicode(bytes), text);
  EXPECT_EQ(Win1251::FromUnicode(text), bytes);
  EXPECT_EQ(Win1251::FromUnicode(QString::fromUtf8("Ёё")), QByteArray("\xA8\xB8"));
}

TEST(Win1251, EveryByteSurvivesTheRoundTrip) {
  QByteArray all;
  for (int b = 1; b < 256; ++b)
    if (b != 0x98) all.append(static_cast<char>(b));  // 0x98 is unassigned in the code page
  EXPECT_EQ(Win1251::FromUnicode(Win1251::ToUnicode(all)), all);
}
