#include "OpenProtocolText.h"

#include <gtest/gtest.h>

#include <vector>

using namespace OpenProtocolText;
using OpenProtocolFrame::TPacket;

namespace {

TOPVarListItem Var(const QByteArray& name, const QByteArray& index = {}, const QByteArray& value = {}) {
  TOPVarListItem item;
  item.Name = name;
  item.Index = index;
  item.Value = value;
  return item;
}

TPacket BlockPacket(uint8_t number, uint8_t kind, const QByteArray& content) {
  TPacket packet;
  packet.Length = static_cast<uint8_t>(content.size() + 2);
  packet.Data[0] = number;
  packet.Data[1] = kind;
  std::copy(content.begin(), content.end(), packet.Data.begin() + 2);
  return packet;
}

}  // namespace

TEST(RequestText, RendersEveryKindOfRequest) {
  EXPECT_EQ(ReadRequest(Var("MODE")), "MODE=??;");
  EXPECT_EQ(ReadRequest(Var("SUMALPHA", "A007")), "SUMALPHA:A007=??;");
  EXPECT_EQ(WriteRequest(Var("MODE", "", "1")), "MODE=1;");
  EXPECT_EQ(WriteRequest(Var("DATETIME", "", "07/03/2005 14.05.09")), "DATETIME=07/03/2005 14.05.09;");
  EXPECT_EQ(BlockCountRequest(Var("SPECTRUM1")), "SPECTRUM1=??##;");
  EXPECT_EQ(BlockRequest(Var("SPECTRUM1"), 1), "SPECTRUM1=??#1;");
  EXPECT_EQ(BlockRequest(Var("SPECTRUM1"), 17), "SPECTRUM1=??#17;");
}

TEST(RequestText, RefusesTextsLongerThanAFrameCarries) {
  const auto fits = TextPacket(0, 1, QByteArray(253, 'x'));
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->Length, 255);
  EXPECT_EQ(fits->Data[0], 0);
  EXPECT_EQ(fits->Data[1], 0);
  EXPECT_FALSE(TextPacket(0, 1, QByteArray(254, 'x')));
}

TEST(AnswerText, ParsesItemsAndSkipsMalformedOnes) {
  const auto items = ParseAnswerText("  MODE 1;STATUS=33;X:A001 = 5 ;Y:=2;MODE=@@;A=1;B=2");
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].Name, "STATUS");
  EXPECT_EQ(items[0].Value, "33");
  EXPECT_EQ(items[1].Name, "X");
  EXPECT_EQ(items[1].Index, "A001");
  EXPECT_EQ(items[1].Value, "5");
  EXPECT_EQ(items[2].Name, "Y");
  EXPECT_EQ(items[2].Index, "");
  EXPECT_EQ(items[3].Value, kNoValue);
  EXPECT_EQ(items[4].Name, "A");  // B=2 has no ";" and is ignored
  EXPECT_THROW(ParseAnswerItem("MODE 1"), EPacketDBFormatError);
  EXPECT_TRUE(ParseAnswerText("no items at all").empty());
}

TEST(AnswerText, ColonInAValueDisturbsTheName) {
  // The first ":" always separates name and index, even after the "=".
  const TAnswerItem item = ParseAnswerItem("DATETIME=07/03/2005 14:05:09");
  EXPECT_EQ(item.Name, "DATETIME=07/03/2005 14");
  EXPECT_EQ(item.Index, "");
}

TEST(BlockCountAnswer, AcceptsOnlyAPositiveCountForTheRequestedVariable) {
  const TOPVarListItem spectrum = Var("SPECTRUM1");
  EXPECT_EQ(ParseBlockCountAnswer("SPECTRUM1=##3;", spectrum), 3);
  EXPECT_EQ(ParseBlockCountAnswer("spectrum1=##17;SPECTRUM1=##1;", spectrum), 17);
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=##0;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=##-2;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=##3", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1##3;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=3;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=##x;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1=@@;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM2=##3;", spectrum));
  EXPECT_FALSE(ParseBlockCountAnswer("SPECTRUM1:A001=##3;", spectrum));
}

TEST(BlockAnswer, AcceptsItsOwnBlockOfKindOne) {
  EXPECT_EQ(AcceptBlockAnswer(BlockPacket(2, 1, "abc"), 2), QByteArray("abc"));
  EXPECT_EQ(AcceptBlockAnswer(BlockPacket(0, 1, "abc"), 1), QByteArray("abc"));  // 0 reads as 1
  EXPECT_FALSE(AcceptBlockAnswer(BlockPacket(0, 1, "abc"), 2));
  EXPECT_FALSE(AcceptBlockAnswer(BlockPacket(3, 1, "abc"), 2));
  EXPECT_FALSE(AcceptBlockAnswer(BlockPacket(2, 0, "abc"), 2));
  EXPECT_EQ(AcceptBlockAnswer(BlockPacket(1, 1, ""), 1), QByteArray());
  TPacket tooShort;
  tooShort.Length = 1;
  tooShort.Data[0] = 1;
  EXPECT_FALSE(AcceptBlockAnswer(tooShort, 1));
}

TEST(RequestText, PackedReadRequestsReach127CharactersAndNeverPass253) {
  // Items by the length of their request text ("N…N=??;"), and how many of
  // them each request takes.
  const struct {
    const char* what;
    std::vector<int> items;
    std::vector<int> taken;
  } rows[] = {
      {"ten of 14 pass 127", std::vector<int>(30, 14), {10, 10, 10}},
      {"exactly 127 ends a request", {63, 64, 10}, {2, 1}},
      {"126 takes one more", {126, 10, 10}, {2, 1}},
      {"exactly 253 still goes", {120, 133, 5}, {2, 1}},
      {"254 would not", {120, 134, 5}, {1, 1, 1}},
      {"one item longer than the rest starts a request", {14, 14, 14, 14, 14, 200, 14, 14}, {5, 1, 2}},
      {"an item past 253 goes alone", {260, 10}, {1, 1}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TOPVarList list;
    for (int length : row.items) list.Add(QByteArray(length - 4, 'N'));
    std::vector<int> taken;
    for (int first = 0, next = 0; first < list.Count(); first = next) {
      const QByteArray text = PackedReadRequest(list, first, next);
      QByteArray expected;
      for (int i = first; i < next; ++i) expected += ReadRequest(*list.GetItem(i));
      EXPECT_EQ(text, expected);
      taken.push_back(next - first);
    }
    EXPECT_EQ(taken, row.taken);
  }
}
