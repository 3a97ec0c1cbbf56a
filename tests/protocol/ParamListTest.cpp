#include "ParamList.h"

#include <gtest/gtest.h>

TEST(ParamList, TextLookupIsExact) {
  TParamList list;
  EXPECT_EQ(list.IndexOfStr("abc"), -1);
  list.AddStr("abc");
  list.AddStr("ABC");
  EXPECT_EQ(list.IndexOfStr("ABC"), 1);
  EXPECT_EQ(list.IndexOfStr("abc"), 0);
  EXPECT_EQ(list.IndexOfStr("Abc"), -1);
  EXPECT_EQ(list.GetItem(list.Count()), nullptr);
  EXPECT_EQ(list.GetItem(-1), nullptr);
}

TEST(ParamList, DataCanBeChangedThroughTheItem) {
  TParamList list;
  list.AddPtr(17);
  TParamListItem* item = list.GetItem(0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Data, 17);
  EXPECT_TRUE(item->Text.isEmpty());
  item->Data = 21;
  EXPECT_EQ(list.GetItem(0)->Data, 21);
  list.Add(5, "x", 3, 9);
  EXPECT_EQ(list.GetItem(1)->Ordinal, 1);
  EXPECT_EQ(list.GetItem(1)->ShortNumber, 3);
  EXPECT_EQ(list.GetItem(1)->Number, 9);
}
