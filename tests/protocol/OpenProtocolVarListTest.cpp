#include "OpenProtocolVarList.h"

#include <gtest/gtest.h>

TEST(OPVarList, EmptyListFindsNothing) {
  TOPVarList list;
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOfName("MODE"), -1);
  EXPECT_EQ(list.IndexOfVar("MODE", ""), -1);
  EXPECT_EQ(list.GetItem(0), nullptr);
  auto copy = std::make_unique<TOPVarList>();
  copy->Add("OLD");
  list.CopyTo(copy);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Count(), 0);
}

TEST(OPVarList, LookupsIgnoreAsciiCaseAndTellIndexesApart) {
  TOPVarList list;
  list.Add("STATUS");
  list.Add("SUMBETA", "", "1");
  list.Add("SUMBETA", "", "2");
  list.Add("X", "A001", "5");
  EXPECT_EQ(list.IndexOfVar("status", ""), 0);
  EXPECT_EQ(list.IndexOfVar("STATUS", "A001"), -1);
  EXPECT_EQ(list.IndexOfName("SUMBETA"), 1);
  EXPECT_EQ(list.IndexOfVar("x", "a001"), 3);
  EXPECT_EQ(list.IndexOfVar("X", ""), -1);
  EXPECT_EQ(list.GetItem(-1), nullptr);
  EXPECT_EQ(list.GetItem(4), nullptr);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetItem(i)->Ordinal, i);
}

TEST(OPVarList, CopyToReplacesTheDestinationWithFreshOrdinals) {
  TOPVarList source;
  source.Add("DATETIME", "A007", "07/03/2005 14.05.09");
  source.Add("SUMALPHA", "A007", "12.5");
  auto destination = std::make_unique<TOPVarList>();
  destination->Add("A");
  destination->Add("B");
  destination->Add("C");
  const TOPVarListItem* old = destination->GetItem(0);
  source.CopyTo(destination);
  ASSERT_EQ(destination->Count(), 2);
  EXPECT_NE(destination->GetItem(0), old);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(destination->GetItem(i)->Ordinal, i);
    EXPECT_EQ(destination->GetItem(i)->Name, source.GetItem(i)->Name);
    EXPECT_EQ(destination->GetItem(i)->Index, source.GetItem(i)->Index);
    EXPECT_EQ(destination->GetItem(i)->Value, source.GetItem(i)->Value);
  }
  // The copy is independent of the source.
  destination->GetItem(1)->Value = "99";
  EXPECT_EQ(source.GetItem(1)->Value, "12.5");
}

TEST(OPVarList, CopyFromMissingSourceLeavesDestinationAlone) {
  auto destination = std::make_unique<TOPVarList>();
  destination->Add("KEEP", "", "1");
  TOPVarList* kept = destination.get();
  EXPECT_FALSE(CopyVarList(nullptr, destination));
  EXPECT_EQ(destination.get(), kept);
  EXPECT_EQ(destination->GetItem(0)->Value, "1");

  std::unique_ptr<TOPVarList> empty;
  TOPVarList source;
  source.Add("MODE");
  EXPECT_TRUE(CopyVarList(&source, empty));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->Count(), 1);
}

TEST(OPVarList, AssignValuesCopiesMatchingNameAndIndexOnly) {
  TOPVarList counter;
  for (const char* name : {"MAINENERGYA", "MAINENERGYB", "BGENERGYA"}) counter.Add(name, "", "old");
  TOPVarList energy;
  energy.Add("mainenergya", "", "0.0085");
  energy.Add("MAINENERGYB", "A001", "1.5");  // another index: no match
  energy.Add("UNKNOWN", "", "7");
  counter.AssignValues(energy);
  EXPECT_EQ(counter.GetItem(0)->Value, "0.0085");
  EXPECT_EQ(counter.GetItem(1)->Value, "old");
  EXPECT_EQ(counter.GetItem(2)->Value, "old");

  TOPVarList nothing;
  counter.AssignValues(nothing);
  EXPECT_EQ(counter.GetItem(0)->Value, "0.0085");
}
