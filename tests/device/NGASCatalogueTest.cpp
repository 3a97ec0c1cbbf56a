#include "NGAS.h"
#include "Win1251.h"

#include <gtest/gtest.h>

namespace {

QByteArrayList Names(const TOPVarList& list) {
  QByteArrayList names;
  for (int i = 0; i < list.Count(); ++i) names.append(list.GetItem(i)->Name);
  return names;
}

bool AllEmpty(const TOPVarList& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (!list.GetItem(i)->Index.isEmpty() || !list.GetItem(i)->Value.isEmpty()) return false;
  return true;
}

}  // namespace

TEST(NGASCatalogue, EveryGroupHoldsItsVariablesInOrderWithEmptyValues) {
  TNGAS ngas(nullptr);
  const struct {
    const char* group;
    const TOPVarList& list;
    QByteArrayList names;
  } rows[] = {
      {"mode", ngas.ModeVarList(), {"MODE"}},
      {"common",
       ngas.CommonVarList(),
       {"DATETIME", "SERIALN", "DRYCONTACTIN", "DRYCONTACTOUT", "ADRYCONTACTTHR", "BDRYCONTACTTHR", "RESOURCE"}},
      {"measure",
       ngas.MeasureVarList(),
       {"STATUS", "ALPHAALARM1", "ALPHAALARM2", "BETAALARM1", "BETAALARM2", "ALPHAALARM1ON", "ALPHAALARM2ON",
        "BETAALARM1ON", "BETAALARM2ON", "SUMALPHA", "SUMBETA", "RADON"}},
      {"counter",
       ngas.CounterVarList(),
       {"MAINENERGYA", "MAINENERGYB", "BGENERGYA", "BGENERGYB", "EFFA", "EFFB", "EFFAB", "EFFPB", "TRANS",
        "DURATIONTIME"}},
      {"pump", ngas.PumpVarList(), {"FLOW", "VOLUME", "PUMPUPPERLEVEL", "PUMPLOWERLEVEL", "PREASSURE"}},
      {"test", ngas.TestVarList(), {"TEST", "FLOW", "VOLUME"}},
      {"test activity", ngas.TestActivityVarList(), {"SUMALPHA", "SUMBETA", "RADON"}},
      {"alarm block", ngas.AlarmBlockVarList(), {"BAS_SIRENE", "BAS_INDICATOR"}},
      {"main spectrum", ngas.MainSpectrVarList(), {"SPECTRUM1"}},
      {"background spectrum", ngas.BkSpectrVarList(), {"SPECTRUM2"}},
      {"main energy", ngas.MainEnergyVarList(), {"MAINENERGYA", "MAINENERGYB"}},
      {"background energy", ngas.BkEnergyVarList(), {"BGENERGYA", "BGENERGYB"}},
      {"service",
       ngas.ServiceVarList(),
       {"SELFBACKGROUND", "SELFALPHABACKGROUND", "PRESSUPPERLEVEL", "PRESSLOWERLEVEL", "ADCTHR", "SERVICEFUNCFLAGS",
        "FORCEDNETSENDFLAGS", "FALPHA", "FBETA"}},
      {"network", ngas.NetVarList(), {"NETADDRESS", "NETBAUDRATE", "ETHERNET"}},
      {"archive size", ngas.ArchSizeVarList(), {"NUMOFRECORDS"}},
      {"archive",
       ngas.ArchVarList(),
       {"MODE", "DATETIME", "SERIALN", "DRYCONTACTIN", "DRYCONTACTOUT", "STATUS", "ALPHAALARM1", "ALPHAALARM2",
        "BETAALARM1", "BETAALARM2", "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON", "SUMALPHA",
        "SUMBETA", "RADON", "FLOW", "VOLUME"}},
      {"default selection",
       ngas.ArchDefaultMaskVarList(),
       {"DATETIME", "SUMALPHA", "SUMBETA", "RADON", "FLOW", "VOLUME"}},
      {"selection", ngas.ArchSelectVarList(), {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.group);
    EXPECT_EQ(Names(row.list), row.names);
    EXPECT_TRUE(AllEmpty(row.list));
  }
  EXPECT_TRUE(AllEmpty(ngas.ArchCaptionVarList()));
}

TEST(NGASCatalogue, NamedPositionsPointAtTheirVariables) {
  TNGAS ngas(nullptr);
  const struct {
    const TOPVarList& list;
    int position;
    int count;
    const char* name;
  } rows[] = {
      {ngas.ModeVarList(), ModeVar::MODE, ModeVar::Count, "MODE"},
      {ngas.CommonVarList(), CommonVar::RESOURCE, CommonVar::Count, "RESOURCE"},
      {ngas.CommonVarList(), CommonVar::DRYCONTACTOUT, CommonVar::Count, "DRYCONTACTOUT"},
      {ngas.MeasureVarList(), MeasureVar::RADON, MeasureVar::Count, "RADON"},
      {ngas.MeasureVarList(), MeasureVar::BETAALARM2ON, MeasureVar::Count, "BETAALARM2ON"},
      {ngas.CounterVarList(), CounterVar::DURATIONTIME, CounterVar::Count, "DURATIONTIME"},
      {ngas.CounterVarList(), CounterVar::BGENERGYB, CounterVar::Count, "BGENERGYB"},
      {ngas.PumpVarList(), PumpVar::PREASSURE, PumpVar::Count, "PREASSURE"},
      {ngas.TestVarList(), TestVar::VOLUME, TestVar::Count, "VOLUME"},
      {ngas.TestActivityVarList(), TestActivityVar::RADON, TestActivityVar::Count, "RADON"},
      {ngas.AlarmBlockVarList(), AlarmBlockVar::BAS_INDICATOR, AlarmBlockVar::Count, "BAS_INDICATOR"},
      {ngas.MainEnergyVarList(), MainEnergyVar::MAINENERGYB, MainEnergyVar::Count, "MAINENERGYB"},
      {ngas.BkEnergyVarList(), BkEnergyVar::BGENERGYB, BkEnergyVar::Count, "BGENERGYB"},
      {ngas.ServiceVarList(), ServiceVar::FBETA, ServiceVar::Count, "FBETA"},
      {ngas.NetVarList(), NetVar::ETHERNET, NetVar::Count, "ETHERNET"},
      {ngas.ArchSizeVarList(), ArchSizeVar::NUMOFRECORDS, ArchSizeVar::Count, "NUMOFRECORDS"},
      {ngas.ArchVarList(), ArchVar::VOLUME, ArchVar::Count, "VOLUME"},
      {ngas.ArchVarList(), ArchVar::STATUS, ArchVar::Count, "STATUS"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.list.Count(), row.count);
    ASSERT_NE(row.list.GetItem(row.position), nullptr);
    EXPECT_EQ(row.list.GetItem(row.position)->Name, row.name);
  }
}

TEST(NGASCatalogue, ArchiveCaptionsAreTheRussianTextsInWindows1251) {
  const QStringList captions = {
      "Режим работы",
      "Дата и время измерения",
      "Название установки",
      "Состояние входного сухого контакта",
      "Состояние выходного сухого контакта",
      "Состояние установки",
      "Уставка первого уровня для альфа-канала",
      "Уставка второго уровня для альфа-канала",
      "Уставка первого уровня для бета-канала",
      "Уставка второго уровня для бета-канала",
      "Превышение уставки первого уровня для альфа-канала",
      "Превышение уставки второго уровня для альфа-канала",
      "Превышение уставки первого уровня для бета-канала",
      "Превышение уставки второго уровня для бета-канала",
      "Измеренная объемная активность альфа-излучателей (Бк/м**3)",
      "Измеренная объемная активность бета-излучателей (Бк/м**3)",
      "Измеренная ЭРОА Rn-222 (Бк/м**3)",
      "Расход воздуха (л/мин)",
      "Прокачанный объем (л)",
  };
  TNGAS ngas(nullptr);
  const TOPVarList& list = ngas.ArchCaptionVarList();
  ASSERT_EQ(list.Count(), captions.size());
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetItem(i)->Name, Win1251::FromUnicode(captions[i])) << i;
  // One byte for one letter: "Режим работы" in the single-byte code page.
  EXPECT_EQ(list.GetItem(ArchVar::MODE)->Name, QByteArray("\xD0\xE5\xE6\xE8\xEC \xF0\xE0\xE1\xEE\xF2\xFB"));
}

TEST(NGASCatalogue, SelectionIsReplacedByACopy) {
  TNGAS ngas(nullptr);
  TOPVarList selection;
  selection.Add("DATETIME");
  selection.Add("RADON");
  ngas.SetArchSelectVarList(selection);
  selection.Add("FLOW");
  EXPECT_EQ(Names(ngas.ArchSelectVarList()), QByteArrayList({"DATETIME", "RADON"}));
}
