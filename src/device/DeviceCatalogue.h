#pragma once

// The variables of the device model, one table per group: a group's names in
// the order in which TNGAS fills it, and the positions a control of the main
// window is bound to (CommonVarList().GetItem(CommonVar::DATETIME)). The
// checks below tie every position to the name at that place in its table, so
// a name added to one and not the other does not compile.

namespace DeviceCatalogue {

constexpr bool SameName(const char* a, const char* b) {
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

}  // namespace DeviceCatalogue

// Holds when the group's table has the variable's own name at its position.
#define QEV_CATALOGUE_NAME(Group, Var) \
  static_assert(DeviceCatalogue::SameName(Group::Names[Group::Var], #Var), #Group "::" #Var " is not at its place")

namespace ModeVar {
enum : int { MODE, Count };
inline constexpr const char* Names[] = {"MODE"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "ModeVar: one name per position");
}  // namespace ModeVar
QEV_CATALOGUE_NAME(ModeVar, MODE);

namespace CommonVar {
enum : int { DATETIME, SERIALN, DRYCONTACTIN, DRYCONTACTOUT, ADRYCONTACTTHR, BDRYCONTACTTHR, RESOURCE, Count };
inline constexpr const char* Names[] = {"DATETIME",       "SERIALN",        "DRYCONTACTIN", "DRYCONTACTOUT",
                                        "ADRYCONTACTTHR", "BDRYCONTACTTHR", "RESOURCE"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "CommonVar: one name per position");
}  // namespace CommonVar
QEV_CATALOGUE_NAME(CommonVar, DATETIME);
QEV_CATALOGUE_NAME(CommonVar, SERIALN);
QEV_CATALOGUE_NAME(CommonVar, DRYCONTACTIN);
QEV_CATALOGUE_NAME(CommonVar, DRYCONTACTOUT);
QEV_CATALOGUE_NAME(CommonVar, ADRYCONTACTTHR);
QEV_CATALOGUE_NAME(CommonVar, BDRYCONTACTTHR);
QEV_CATALOGUE_NAME(CommonVar, RESOURCE);

namespace MeasureVar {
enum : int {
  STATUS,
  ALPHAALARM1,
  ALPHAALARM2,
  BETAALARM1,
  BETAALARM2,
  ALPHAALARM1ON,
  ALPHAALARM2ON,
  BETAALARM1ON,
  BETAALARM2ON,
  SUMALPHA,
  SUMBETA,
  RADON,
  Count
};
inline constexpr const char* Names[] = {"STATUS",       "ALPHAALARM1",   "ALPHAALARM2",   "BETAALARM1",
                                        "BETAALARM2",   "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON",
                                        "BETAALARM2ON", "SUMALPHA",      "SUMBETA",       "RADON"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "MeasureVar: one name per position");
}  // namespace MeasureVar
QEV_CATALOGUE_NAME(MeasureVar, STATUS);
QEV_CATALOGUE_NAME(MeasureVar, ALPHAALARM1);
QEV_CATALOGUE_NAME(MeasureVar, ALPHAALARM2);
QEV_CATALOGUE_NAME(MeasureVar, BETAALARM1);
QEV_CATALOGUE_NAME(MeasureVar, BETAALARM2);
QEV_CATALOGUE_NAME(MeasureVar, ALPHAALARM1ON);
QEV_CATALOGUE_NAME(MeasureVar, ALPHAALARM2ON);
QEV_CATALOGUE_NAME(MeasureVar, BETAALARM1ON);
QEV_CATALOGUE_NAME(MeasureVar, BETAALARM2ON);
QEV_CATALOGUE_NAME(MeasureVar, SUMALPHA);
QEV_CATALOGUE_NAME(MeasureVar, SUMBETA);
QEV_CATALOGUE_NAME(MeasureVar, RADON);

namespace CounterVar {
enum : int { MAINENERGYA, MAINENERGYB, BGENERGYA, BGENERGYB, EFFA, EFFB, EFFAB, EFFPB, TRANS, DURATIONTIME, Count };
inline constexpr const char* Names[] = {"MAINENERGYA", "MAINENERGYB", "BGENERGYA", "BGENERGYB", "EFFA",
                                        "EFFB",        "EFFAB",       "EFFPB",     "TRANS",     "DURATIONTIME"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "CounterVar: one name per position");
}  // namespace CounterVar
QEV_CATALOGUE_NAME(CounterVar, MAINENERGYA);
QEV_CATALOGUE_NAME(CounterVar, MAINENERGYB);
QEV_CATALOGUE_NAME(CounterVar, BGENERGYA);
QEV_CATALOGUE_NAME(CounterVar, BGENERGYB);
QEV_CATALOGUE_NAME(CounterVar, EFFA);
QEV_CATALOGUE_NAME(CounterVar, EFFB);
QEV_CATALOGUE_NAME(CounterVar, EFFAB);
QEV_CATALOGUE_NAME(CounterVar, EFFPB);
QEV_CATALOGUE_NAME(CounterVar, TRANS);
QEV_CATALOGUE_NAME(CounterVar, DURATIONTIME);

namespace PumpVar {
enum : int { FLOW, VOLUME, PUMPUPPERLEVEL, PUMPLOWERLEVEL, PREASSURE, Count };
inline constexpr const char* Names[] = {"FLOW", "VOLUME", "PUMPUPPERLEVEL", "PUMPLOWERLEVEL", "PREASSURE"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "PumpVar: one name per position");
}  // namespace PumpVar
QEV_CATALOGUE_NAME(PumpVar, FLOW);
QEV_CATALOGUE_NAME(PumpVar, VOLUME);
QEV_CATALOGUE_NAME(PumpVar, PUMPUPPERLEVEL);
QEV_CATALOGUE_NAME(PumpVar, PUMPLOWERLEVEL);
QEV_CATALOGUE_NAME(PumpVar, PREASSURE);

namespace TestVar {
enum : int { TEST, FLOW, VOLUME, Count };
inline constexpr const char* Names[] = {"TEST", "FLOW", "VOLUME"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "TestVar: one name per position");
}  // namespace TestVar
QEV_CATALOGUE_NAME(TestVar, TEST);
QEV_CATALOGUE_NAME(TestVar, FLOW);
QEV_CATALOGUE_NAME(TestVar, VOLUME);

namespace TestActivityVar {
enum : int { SUMALPHA, SUMBETA, RADON, Count };
inline constexpr const char* Names[] = {"SUMALPHA", "SUMBETA", "RADON"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "TestActivityVar: one name per position");
}  // namespace TestActivityVar
QEV_CATALOGUE_NAME(TestActivityVar, SUMALPHA);
QEV_CATALOGUE_NAME(TestActivityVar, SUMBETA);
QEV_CATALOGUE_NAME(TestActivityVar, RADON);

namespace AlarmBlockVar {
enum : int { BAS_SIRENE, BAS_INDICATOR, Count };
inline constexpr const char* Names[] = {"BAS_SIRENE", "BAS_INDICATOR"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "AlarmBlockVar: one name per position");
}  // namespace AlarmBlockVar
QEV_CATALOGUE_NAME(AlarmBlockVar, BAS_SIRENE);
QEV_CATALOGUE_NAME(AlarmBlockVar, BAS_INDICATOR);

namespace MainSpectrVar {
enum : int { SPECTRUM1, Count };
inline constexpr const char* Names[] = {"SPECTRUM1"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "MainSpectrVar: one name per position");
}  // namespace MainSpectrVar
QEV_CATALOGUE_NAME(MainSpectrVar, SPECTRUM1);

namespace BkSpectrVar {
enum : int { SPECTRUM2, Count };
inline constexpr const char* Names[] = {"SPECTRUM2"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "BkSpectrVar: one name per position");
}  // namespace BkSpectrVar
QEV_CATALOGUE_NAME(BkSpectrVar, SPECTRUM2);

namespace MainEnergyVar {
enum : int { MAINENERGYA, MAINENERGYB, Count };
inline constexpr const char* Names[] = {"MAINENERGYA", "MAINENERGYB"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "MainEnergyVar: one name per position");
}  // namespace MainEnergyVar
QEV_CATALOGUE_NAME(MainEnergyVar, MAINENERGYA);
QEV_CATALOGUE_NAME(MainEnergyVar, MAINENERGYB);

namespace BkEnergyVar {
enum : int { BGENERGYA, BGENERGYB, Count };
inline constexpr const char* Names[] = {"BGENERGYA", "BGENERGYB"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "BkEnergyVar: one name per position");
}  // namespace BkEnergyVar
QEV_CATALOGUE_NAME(BkEnergyVar, BGENERGYA);
QEV_CATALOGUE_NAME(BkEnergyVar, BGENERGYB);

namespace ServiceVar {
enum : int {
  SELFBACKGROUND,
  SELFALPHABACKGROUND,
  PRESSUPPERLEVEL,
  PRESSLOWERLEVEL,
  ADCTHR,
  SERVICEFUNCFLAGS,
  FORCEDNETSENDFLAGS,
  FALPHA,
  FBETA,
  Count
};
inline constexpr const char* Names[] = {
    "SELFBACKGROUND", "SELFALPHABACKGROUND", "PRESSUPPERLEVEL",    "PRESSLOWERLEVEL",
    "ADCTHR",         "SERVICEFUNCFLAGS",    "FORCEDNETSENDFLAGS", "FALPHA",
    "FBETA"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "ServiceVar: one name per position");
}  // namespace ServiceVar
QEV_CATALOGUE_NAME(ServiceVar, SELFBACKGROUND);
QEV_CATALOGUE_NAME(ServiceVar, SELFALPHABACKGROUND);
QEV_CATALOGUE_NAME(ServiceVar, PRESSUPPERLEVEL);
QEV_CATALOGUE_NAME(ServiceVar, PRESSLOWERLEVEL);
QEV_CATALOGUE_NAME(ServiceVar, ADCTHR);
QEV_CATALOGUE_NAME(ServiceVar, SERVICEFUNCFLAGS);
QEV_CATALOGUE_NAME(ServiceVar, FORCEDNETSENDFLAGS);
QEV_CATALOGUE_NAME(ServiceVar, FALPHA);
QEV_CATALOGUE_NAME(ServiceVar, FBETA);

namespace NetVar {
enum : int { NETADDRESS, NETBAUDRATE, ETHERNET, Count };
inline constexpr const char* Names[] = {"NETADDRESS", "NETBAUDRATE", "ETHERNET"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "NetVar: one name per position");
}  // namespace NetVar
QEV_CATALOGUE_NAME(NetVar, NETADDRESS);
QEV_CATALOGUE_NAME(NetVar, NETBAUDRATE);
QEV_CATALOGUE_NAME(NetVar, ETHERNET);

namespace ArchSizeVar {
enum : int { NUMOFRECORDS, Count };
inline constexpr const char* Names[] = {"NUMOFRECORDS"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "ArchSizeVar: one name per position");
}  // namespace ArchSizeVar
QEV_CATALOGUE_NAME(ArchSizeVar, NUMOFRECORDS);

// Every variable an archive record can hold; the caption list runs parallel.
namespace ArchVar {
enum : int {
  MODE,
  DATETIME,
  SERIALN,
  DRYCONTACTIN,
  DRYCONTACTOUT,
  STATUS,
  ALPHAALARM1,
  ALPHAALARM2,
  BETAALARM1,
  BETAALARM2,
  ALPHAALARM1ON,
  ALPHAALARM2ON,
  BETAALARM1ON,
  BETAALARM2ON,
  SUMALPHA,
  SUMBETA,
  RADON,
  FLOW,
  VOLUME,
  Count
};
inline constexpr const char* Names[] = {
    "MODE",        "DATETIME",   "SERIALN",    "DRYCONTACTIN",  "DRYCONTACTOUT", "STATUS",       "ALPHAALARM1",
    "ALPHAALARM2", "BETAALARM1", "BETAALARM2", "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON",
    "SUMALPHA",    "SUMBETA",    "RADON",      "FLOW",          "VOLUME"};
static_assert(sizeof(Names) / sizeof(Names[0]) == Count, "ArchVar: one name per position");
// The columns an archive read brings when the operator chose none.
inline constexpr int DefaultMask[] = {DATETIME, SUMALPHA, SUMBETA, RADON, FLOW, VOLUME};
}  // namespace ArchVar
QEV_CATALOGUE_NAME(ArchVar, MODE);
QEV_CATALOGUE_NAME(ArchVar, DATETIME);
QEV_CATALOGUE_NAME(ArchVar, SERIALN);
QEV_CATALOGUE_NAME(ArchVar, DRYCONTACTIN);
QEV_CATALOGUE_NAME(ArchVar, DRYCONTACTOUT);
QEV_CATALOGUE_NAME(ArchVar, STATUS);
QEV_CATALOGUE_NAME(ArchVar, ALPHAALARM1);
QEV_CATALOGUE_NAME(ArchVar, ALPHAALARM2);
QEV_CATALOGUE_NAME(ArchVar, BETAALARM1);
QEV_CATALOGUE_NAME(ArchVar, BETAALARM2);
QEV_CATALOGUE_NAME(ArchVar, ALPHAALARM1ON);
QEV_CATALOGUE_NAME(ArchVar, ALPHAALARM2ON);
QEV_CATALOGUE_NAME(ArchVar, BETAALARM1ON);
QEV_CATALOGUE_NAME(ArchVar, BETAALARM2ON);
QEV_CATALOGUE_NAME(ArchVar, SUMALPHA);
QEV_CATALOGUE_NAME(ArchVar, SUMBETA);
QEV_CATALOGUE_NAME(ArchVar, RADON);
QEV_CATALOGUE_NAME(ArchVar, FLOW);
QEV_CATALOGUE_NAME(ArchVar, VOLUME);

#undef QEV_CATALOGUE_NAME
