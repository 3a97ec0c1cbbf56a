#include "DeviceValues.h"

#include "TextUtils.h"

namespace DeviceValues {

namespace {

// The characters first..first+count-1 (1-based) of a word as an integer.
std::optional<int> NumberAt(const QByteArray& word, int first, int count) {
  if (word.size() < first - 1 + count) return std::nullopt;
  return TextUtils::ParseInt32(word.mid(first - 1, count));
}

QByteArray TwoDigits(int value) { return QByteArray::number(value).rightJustified(2, '0'); }

struct TWords {
  QByteArray Date;
  QByteArray Time;
};

std::optional<TWords> SplitDateTime(const QByteArray& text) {
  if (!text.contains(' ')) return std::nullopt;
  return TWords{TextUtils::FirstWord(text), TextUtils::FirstWord(TextUtils::DropFirstWord(text))};
}

}  // namespace

TDeviceDateTime ParseDeviceDateTime(const QByteArray& text) {
  TDeviceDateTime result;
  if (!text.contains(' ')) return result;
  const QByteArray dateWord = TextUtils::FirstWord(text);
  const QByteArray timeWord = TextUtils::DropFirstWord(text);

  const auto day = NumberAt(dateWord, 1, 2);
  const auto month = NumberAt(dateWord, 4, 2);
  const auto year = NumberAt(dateWord, 7, 4);
  if (!day || !month || !year || !QDate::isValid(*year, *month, *day)) return result;
  result.Date = QDate(*year, *month, *day);

  const auto hour = NumberAt(timeWord, 1, 2);
  const auto minute = NumberAt(timeWord, 4, 2);
  const auto second = NumberAt(timeWord, 7, 2);
  if (!hour || !minute || !second || !QTime::isValid(*hour, *minute, *second)) return result;
  result.Time = QTime(*hour, *minute, *second);
  return result;
}

std::optional<QDateTime> DeviceMoment(const QByteArray& text) {
  const TDeviceDateTime parsed = ParseDeviceDateTime(text);
  if (!parsed.Date || !parsed.Time) return std::nullopt;
  return QDateTime(*parsed.Date, *parsed.Time, Qt::UTC);
}

QByteArray FormatDeviceDate(const QDate& date) {
  return TwoDigits(date.day()) + '/' + TwoDigits(date.month()) + '/' +
         QByteArray::number(date.year()).rightJustified(4, '0');
}

QByteArray FormatDeviceTime(const QTime& time) {
  return TwoDigits(time.hour()) + '.' + TwoDigits(time.minute()) + '.' + TwoDigits(time.second());
}

QByteArray FormatDeviceDateTime(const QDate& date, const QTime& time) {
  return FormatDeviceDate(date) + ' ' + FormatDeviceTime(time);
}

QByteArray ReplaceDatePart(const QByteArray& text, const QDate& date) {
  const auto words = SplitDateTime(text);
  if (!words) return text;
  return FormatDeviceDate(date) + ' ' + words->Time;
}

QByteArray ReplaceTimePart(const QByteArray& text, const QTime& time) {
  const auto words = SplitDateTime(text);
  if (!words) return text;
  return words->Date + ' ' + FormatDeviceTime(time);
}

bool IsFault(const QByteArray& status, TStatusFault fault) {
  const auto value = TextUtils::ParseInt32(status);
  return value && (*value >> static_cast<int>(fault) & 1) != 0;
}

int TestValue(const QByteArray& test) { return TextUtils::ParseInt32(test).value_or(0); }

bool IsTestBitSet(const QByteArray& test, int bit) { return (TestValue(test) & bit) != 0; }

QByteArray ToggleTestBit(const QByteArray& test, int bit) {
  const int value = TestValue(test);
  const int toggled = (value & bit) != 0 ? value & (~bit & 0xFF) : value | bit;
  return QByteArray::number(toggled);
}

TAlarmColour AlarmColour(const QByteArray& indicator) {
  const QByteArray value = TextUtils::Trim(indicator);
  if (value == "1") return TAlarmColour::Yellow;
  if (value == "2") return TAlarmColour::Red;
  return TAlarmColour::Green;
}

QByteArray AlarmColourValue(TAlarmColour colour) {
  switch (colour) {
    case TAlarmColour::Yellow:
      return "1";
    case TAlarmColour::Red:
      return "2";
    case TAlarmColour::Green:
      break;
  }
  return "0";
}

bool IsSireneOn(const QByteArray& sirene) { return IsOn(sirene); }

QByteArray ToggleSirene(const QByteArray& sirene) { return sirene == "0" ? "1" : "0"; }

bool IsOn(const QByteArray& flag) { return flag == "1"; }

std::optional<bool> OnOffState(const QByteArray& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  return std::nullopt;
}

QByteArray OnOffValue(bool on) { return on ? "1" : "0"; }

bool IsCounterNotConnected(const QByteArray& mainEnergyA) { return TextUtils::Trim(mainEnergyA) == "0"; }

}  // namespace DeviceValues
