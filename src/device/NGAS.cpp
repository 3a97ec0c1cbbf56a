#include "NGAS.h"

#include "DeviceValues.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

template <size_t N>
void Fill(TOPVarList& group, const char* const (&names)[N]) {
  for (const char* name : names) group.Add(name);
}

const char* const kArchCaptions[] = {
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
static_assert(std::size(kArchCaptions) == ArchVar::Count, "one caption per archive variable");

QByteArray ArchiveIndex(int record) { return "A" + QByteArray::number(record).rightJustified(3, '0'); }

}  // namespace

TNGAS::TNGAS(TOpenProtocolDriver* driver) : FDriver(driver) {
  Fill(FModeVarList, ModeVar::Names);
  Fill(FCommonVarList, CommonVar::Names);
  Fill(FMeasureVarList, MeasureVar::Names);
  Fill(FCounterVarList, CounterVar::Names);
  Fill(FPumpVarList, PumpVar::Names);
  Fill(FTestVarList, TestVar::Names);
  Fill(FTestActivityVarList, TestActivityVar::Names);
  Fill(FAlarmBlockVarList, AlarmBlockVar::Names);
  Fill(FMainSpectrVarList, MainSpectrVar::Names);
  Fill(FBkSpectrVarList, BkSpectrVar::Names);
  Fill(FMainEnergyVarList, MainEnergyVar::Names);
  Fill(FBkEnergyVarList, BkEnergyVar::Names);
  Fill(FServiceVarList, ServiceVar::Names);
  Fill(FNetVarList, NetVar::Names);

  Fill(FArchSizeVarList, ArchSizeVar::Names);
  Fill(FArchVarList, ArchVar::Names);
  for (const int column : ArchVar::DefaultMask) FArchDefaultMaskVarList.Add(ArchVar::Names[column]);
  for (const char* caption : kArchCaptions) FArchCaptionVarList.Add(Win1251::FromUnicode(QString::fromUtf8(caption)));
}

void TNGAS::CheckOwner() const {
#ifdef QEV_CHECK_OWNER
  const QThread* owner = FOwner.load();
  if (owner && owner != QThread::currentThread())
    qFatal("TNGAS touched on thread %p while thread %p owns it", static_cast<const void*>(QThread::currentThread()),
           static_cast<const void*>(owner));
#endif
}

std::vector<bool> TNGAS::Answered(const TOPVarList& group) const {
  CheckOwner();
  const auto found = FAnswered.find(&group);
  return found == FAnswered.end() ? std::vector<bool>() : found->second;
}

TOpenProtocolDriver& TNGAS::Driver() const {
  if (!FDriver) throw ENGASError();
  return *FDriver;
}

bool TNGAS::ReadGroup(TOPVarList& group) {
  CheckOwner();
  // A value that cannot come off the line (";" ends an item there) marks
  // what the read did not bring; those variables get their values back.
  static const QByteArray kNotAnswered = QByteArrayLiteral(";");
  const int count = group.Count();
  std::vector<QByteArray> before(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) before[static_cast<size_t>(i)] = std::exchange(group.GetItem(i)->Value, kNotAnswered);
  const auto settle = [&] {
    std::vector<bool>& answered = FAnswered[&group];
    answered.assign(static_cast<size_t>(count), false);
    for (int i = 0; i < count; ++i) {
      QByteArray& value = group.GetItem(i)->Value;
      answered[static_cast<size_t>(i)] = value != kNotAnswered;
      if (value == kNotAnswered) value = before[static_cast<size_t>(i)];
    }
  };
  bool read = false;
  try {
    read = Driver().ReadVars(FDevAddress, group);
  } catch (const ENGASError&) {
  } catch (...) {
    settle();
    throw;
  }
  settle();
  return read;
}

bool TNGAS::WriteGroup(TOPVarList& group) {
  CheckOwner();
  try {
    return Driver().WriteVars(FDevAddress, group);
  } catch (const ENGASError&) {
    return false;
  }
}

bool TNGAS::ReadCommon() {
  const bool common = ReadGroup(FCommonVarList);
  const bool alarmBlock = ReadGroup(FAlarmBlockVarList);
  return common && alarmBlock;
}

bool TNGAS::WriteCommonAll() {
  // One step for the operator: a value the line cannot carry in either
  // group keeps both groups from being sent.
  try {
    if (!Driver().CanWrite(FCommonVarList) || !Driver().CanWrite(FAlarmBlockVarList)) return false;
  } catch (const ENGASError&) {
    return false;
  }
  const bool common = WriteGroup(FCommonVarList);
  const bool alarmBlock = WriteGroup(FAlarmBlockVarList);
  return common && alarmBlock;
}

bool TNGAS::ReadTest() {
  if (!ReadGroup(FTestVarList)) return false;
  if (!DeviceValues::IsTestBitSet(FTestVarList.GetItem(TestVar::TEST)->Value, DeviceValues::kTestActivity)) return true;
  return ReadGroup(FTestActivityVarList);
}

bool TNGAS::ReadMainSpectr() { return ReadSpectr(FMainEnergyVarList, FMainSpectrVarList, FMainSpectr); }

bool TNGAS::ReadBkSpectr() { return ReadSpectr(FBkEnergyVarList, FBkSpectrVarList, FBkSpectr); }

bool TNGAS::ReadSpectr(TOPVarList& energy, const TOPVarList& block, TRadiationSpectr& spectr) {
  try {
    if (!Driver().ReadVars(FDevAddress, energy)) return false;
    uint32_t size = 0;
    QByteArray data;
    if (!Driver().ReadBlocks(FDevAddress, block, size, data)) return false;
    FCounterVarList.AssignValues(energy);
    const qsizetype count = std::min<qsizetype>(size, data.size());
    if (!spectr.LoadDeviceBlock(data.constData(), count, false)) return false;
    const long double a = TextUtils::ParseDecimal(energy.GetItem(0)->Value).value_or(1);
    const long double b = TextUtils::ParseDecimal(energy.GetItem(1)->Value).value_or(0);
    spectr.SetCalibration(a, b);
    return true;
  } catch (const ENGASError&) {
    return false;
  }
}

bool TNGAS::ReadArchSize() {
  try {
    FArchSize = 0;
    if (!Driver().ReadVars(FDevAddress, FArchSizeVarList)) return false;
    // A negative count is no more a number of records than a word is.
    const auto count = TextUtils::ParseInt32(FArchSizeVarList.GetItem(ArchSizeVar::NUMOFRECORDS)->Value);
    if (!count || *count < 0) return false;
    FArchSize = *count;
    return true;
  } catch (...) {
    FArchSize = 0;
    return false;
  }
}

bool TNGAS::ReadArchRecord(const TOPVarList& templ, int record, std::unique_ptr<TOPVarList>& slot) {
  try {
    templ.CopyTo(slot);
    if (record < 0) return false;
    const QByteArray index = ArchiveIndex(record);
    for (int i = 0; i < slot->Count(); ++i) slot->GetItem(i)->Index = index;
    return Driver().ReadVars(FDevAddress, *slot);
  } catch (...) {
    return false;
  }
}

bool TNGAS::ReadArchive(int step, int first, int last, const TOPVarList& templ) {
  try {
    FArchive.ClearRecords();
    FArchive.SetColumns(templ);
    if (step < 1) step = 1;
    if (first < 1) first = 1;
    if (first > FArchSize) first = FArchSize;
    if (last < first) last = first;
    if (last > FArchSize) last = FArchSize;
    // Record numbers start at 1: an installation without records has an
    // empty archive, read without asking for anything.
    if (FArchSize < 1) return FDriver != nullptr;

    std::unique_ptr<TOPVarList> working;
    // 64 bits, so that a large step cannot overflow past the last record.
    for (int64_t n = first; n <= last; n += step) {
      if (!ReadArchRecord(templ, static_cast<int>(n), working)) return false;
      FArchive.AppendRecord(*working);
      if (last > first) {
        const double share = double(n + step - first) / double(last - first) * 100.0;
        ShowProgress(FProgressBar, static_cast<int>(std::min(share, 100.0)));
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}
