#include "TextUtils.h"

#include <gtest/gtest.h>

using namespace TextUtils;

TEST(TextUtils, WordsTrimsAndSplits) {
  EXPECT_EQ(FirstWord("  07/03/2005 14.05.09"), "07/03/2005");
  EXPECT_EQ(FirstWord("word"), "word");
  EXPECT_EQ(DropFirstWord("  07/03/2005   14.05.09 X"), "14.05.09 X");
  EXPECT_EQ(DropFirstWord("nospace"), "");
  EXPECT_EQ(Trim(QByteArray("\x01\t value \r\n\0", 11)), "value");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(PadRight("ab", 5), "ab   ");
  EXPECT_EQ(PadRight("abcdef", 3), "abcdef");

  const TSplit split = SplitAtFirst("A=1=2", "=");
  EXPECT_TRUE(split.Found);
  EXPECT_EQ(split.Before, "A");
  EXPECT_EQ(split.After, "1=2");
  const TSplit missing = SplitAtFirst("A1", "=");
  EXPECT_FALSE(missing.Found);
  EXPECT_EQ(missing.Before, "A1");
}

TEST(TextUtils, UpperCasesAsciiLettersOnly) {
  // "Статус" in Windows-1251 keeps its bytes.
  const QByteArray cyrillic("\xD1\xF2\xE0\xF2\xF3\xF1");
  EXPECT_EQ(AsciiUpper("status:a001" + cyrillic), "STATUS:A001" + cyrillic);
  EXPECT_EQ(AsciiLower("STATUS:A001" + cyrillic), "status:a001" + cyrillic);
  EXPECT_TRUE(SameTextAscii("x:a001", "X:A001"));
  EXPECT_FALSE(SameTextAscii("\xE0", "\xC0"));  // Cyrillic a and A differ
  EXPECT_FALSE(SameTextAscii("ab", QByteArray("AB\0", 3)));
  // Every byte alone, and every pair of bytes inside a name: equal exactly
  // when they are the same byte or the two cases of one ASCII letter.
  const auto letter = [](int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
  QByteArray every;
  QByteArray upper;
  QByteArray lower;
  for (int c = 0; c < 256; ++c) {
    every += char(c);
    upper += char(letter(c));
    lower += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  EXPECT_EQ(AsciiUpper(every), upper);
  EXPECT_EQ(AsciiLower(every), lower);
  int mismatches = 0;
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b)
      if (SameTextAscii("x" + QByteArray(1, char(a)) + "y", "X" + QByteArray(1, char(b)) + "Y") !=
          (letter(a) == letter(b)))
        ++mismatches;
  EXPECT_EQ(mismatches, 0);
}

TEST(TextUtils, ParsesIntegers) {
  EXPECT_EQ(ParseInteger(" 33 "), 33);
  EXPECT_EQ(ParseInteger("-5"), -5);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_FALSE(ParseInteger(""));
  EXPECT_FALSE(ParseInteger("12x"));
  EXPECT_FALSE(ParseInteger("abc"));
  EXPECT_FALSE(ParseInteger("+-1"));
  EXPECT_FALSE(ParseInt32("4294967296"));
}

TEST(TextUtils, ParsesDecimalsWithPointAndPlatformSeparator) {
  EXPECT_EQ(ParseDecimal("2.5", '.'), 2.5L);
  EXPECT_EQ(ParseDecimal(" -5 ", '.'), -5.0L);
  EXPECT_EQ(ParseDecimal("1E-7", '.'), 1e-7L);
  EXPECT_EQ(ParseDecimal(".5", '.'), 0.5L);
  EXPECT_EQ(ParseDecimal("1,5", ','), 1.5L);
  EXPECT_EQ(ParseDecimal("1.5", ','), 1.5L);
  EXPECT_FALSE(ParseDecimal("1,5", '.'));
  EXPECT_FALSE(ParseDecimal("abc", '.'));
  EXPECT_FALSE(ParseDecimal("", '.'));
  EXPECT_FALSE(ParseDecimal("inf", '.'));
  EXPECT_FALSE(ParseDecimal("nan", '.'));
  EXPECT_FALSE(ParseDecimal("0x10", '.'));
  EXPECT_FALSE(ParseDecimal("2.5;", '.'));
  EXPECT_EQ(ParseDecimal("1e99999", '.'), 0.0L);  // out of range
}

TEST(TextUtils, FormatsDecimalsInGeneralFormWithPoint) {
  const struct {
    long double value;
    const char* text;
  } rows[] = {
      {1.0L, "1"},
      {0.0L, "0"},
      {2.5L, "2.5"},
      {-5.0L, "-5"},
      {0.01L, "0.01"},
      {0.00001L, "0.00001"},
      {1e-7L, "1E-7"},
      {1.5e-7L, "1.5E-7"},
      {1e20L, "1E20"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {0.1L + 0.2L, "0.3"},
      {1.0L / 3.0L, "0.333333333333333"},
      {9.9999999999999999L, "10"},
  };
  for (const auto& row : rows) EXPECT_EQ(FormatDecimal(row.value), row.text) << row.text;
}

TEST(TextUtils, DecimalRoundTripKeepsFifteenDigits) {
  for (long double value : {3.14159265358979L, -0.00123456789012345L, 6.02214076e23L, 1.0L / 7.0L}) {
    const auto back = ParseDecimal(FormatDecimal(value), '.');
    ASSERT_TRUE(back);
    EXPECT_NEAR(static_cast<double>(*back / value), 1.0, 1e-14) << FormatDecimal(value).constData();
  }
}

TEST(TextUtils, HexBytes) {
  EXPECT_EQ(HexToByte("4d"), 0x4D);
  EXPECT_EQ(HexToByte("00"), 0);
  EXPECT_FALSE(HexToByte("4x"));
  EXPECT_FALSE(HexToByte("4"));
  EXPECT_FALSE(HexToByte("123"));
}

TEST(TextUtils, SplitsLinesAtLineFeedWithOrWithoutCarriageReturn) {
  EXPECT_TRUE(SplitLines("").isEmpty());
  EXPECT_EQ(SplitLines("a\r\nb\r\n"), QByteArrayList({"a", "b"}));
  EXPECT_EQ(SplitLines("a\nb"), QByteArrayList({"a", "b"}));
  EXPECT_EQ(SplitLines("\r\n\r\nx\r\n\r\n"), QByteArrayList({"", "", "x", ""}));
  EXPECT_EQ(SplitLines("a\rb\r\n"), QByteArrayList({"a\rb"}));
}
