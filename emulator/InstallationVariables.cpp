#include "InstallationVariables.h"

#include "ActivityModel.h"
#include "EmulatedSpectrum.h"
#include "TextUtils.h"

#include <algorithm>
#include <utility>

namespace {

using TextUtils::AsciiUpper;
using TextUtils::Trim;

// What a freshly serviced installation holds. The measured values (and
// DATETIME) are computed and the spectrum calibration comes from the
// analyser, so their texts here are empty.
struct TDefault {
  const char* Name;
  int Kind;  // 0 setting, 1 read-only, 2 measured
  const char* Value;
};

constexpr TDefault kDefaults[] = {
    {"MODE", 0, "0"},
    {"DATETIME", 2, ""},
    {"SERIALN", 1, "00107"},
    {"DRYCONTACTIN", 1, "0"},
    {"DRYCONTACTOUT", 0, "0"},
    {"ADRYCONTACTTHR", 0, "50"},
    {"BDRYCONTACTTHR", 0, "100"},
    {"RESOURCE", 2, ""},
    {"STATUS", 1, "0"},
    {"ALPHAALARM1", 0, "12"},
    {"ALPHAALARM2", 0, "40"},
    {"BETAALARM1", 0, "25"},
    {"BETAALARM2", 0, "80"},
    {"ALPHAALARM1ON", 2, ""},
    {"ALPHAALARM2ON", 2, ""},
    {"BETAALARM1ON", 2, ""},
    {"BETAALARM2ON", 2, ""},
    {"SUMALPHA", 2, ""},
    {"SUMBETA", 2, ""},
    {"RADON", 2, ""},
    {"MAINENERGYA", 0, ""},
    {"MAINENERGYB", 0, ""},
    {"BGENERGYA", 0, ""},
    {"BGENERGYB", 0, ""},
    {"EFFA", 0, "0.25"},
    {"EFFB", 0, "0.3"},
    {"EFFAB", 0, "0.02"},
    {"EFFPB", 0, "0.27"},
    {"TRANS", 0, "0.95"},
    {"DURATIONTIME", 0, "60"},
    {"FLOW", 2, ""},
    {"VOLUME", 2, ""},
    {"PUMPUPPERLEVEL", 0, "60"},
    {"PUMPLOWERLEVEL", 0, "20"},
    {"PREASSURE", 2, ""},
    {"TEST", 0, "0"},
    {"BAS_SIRENE", 0, "0"},
    {"BAS_INDICATOR", 0, "0"},
    {"SELFBACKGROUND", 0, "0.35"},
    {"SELFALPHABACKGROUND", 0, "0.02"},
    {"PRESSUPPERLEVEL", 0, "5000"},
    {"PRESSLOWERLEVEL", 0, "200"},
    {"ADCTHR", 0, "120"},
    {"SERVICEFUNCFLAGS", 0, "0"},
    {"FORCEDNETSENDFLAGS", 0, "0"},
    {"FALPHA", 2, ""},
    {"FBETA", 2, ""},
    {"NETADDRESS", 0, "1"},
    {"NETBAUDRATE", 0, "9600"},
    {"ETHERNET", 0, "0"},
};

constexpr int kResourceHoursAtStart = 12840;
constexpr int kPumpBit = 0x01;
constexpr int kTapeBit = 0x02;
constexpr int kActivityBit = 0x80;

QByteArray Decimal(double value, int digits) { return QByteArray::number(value, 'f', digits); }

bool IsOneOf(const QByteArray& value, std::initializer_list<const char*> allowed) {
  const QByteArray trimmed = Trim(value);
  return std::any_of(allowed.begin(), allowed.end(), [&](const char* a) { return trimmed == a; });
}

}  // namespace

TInstallationVariables::TInstallationVariables(TEmulatorClock clock) : FClock(std::move(clock)) {
  if (!FClock) FClock = [] { return QDateTime::currentDateTime(); };
  for (const TDefault& d : kDefaults) FVariables[d.Name] = TVariable{static_cast<TKind>(d.Kind), d.Value, false};
  // The counter's calibration is that of the spectra it collects.
  const auto number = [](double value) { return QByteArray::number(value, 'g', 15); };
  FVariables["MAINENERGYA"].Value = number(TEmulatedSpectrum::kMainCalibration.A);
  FVariables["MAINENERGYB"].Value = number(TEmulatedSpectrum::kMainCalibration.B);
  FVariables["BGENERGYA"].Value = number(TEmulatedSpectrum::kBackgroundCalibration.A);
  FVariables["BGENERGYB"].Value = number(TEmulatedSpectrum::kBackgroundCalibration.B);
  FStarted = FClock();
  FLastAdvance = FStarted;
}

bool TInstallationVariables::Knows(const QByteArray& name) const { return FVariables.count(AsciiUpper(name)) > 0; }

QDateTime TInstallationVariables::DeviceTime() const { return FClock().addMSecs(FClockOffsetMs); }

QByteArray TInstallationVariables::FormatDeviceTime(const QDateTime& time) {
  return time.toString(QStringLiteral("dd/MM/yyyy HH.mm.ss")).toLatin1();
}

std::optional<QDateTime> TInstallationVariables::ParseDeviceTime(const QByteArray& text) {
  const QByteArray trimmed = Trim(text);
  if (!trimmed.contains(' ')) return std::nullopt;
  const QByteArray dateWord = TextUtils::FirstWord(trimmed);
  const QByteArray timeWord = TextUtils::FirstWord(TextUtils::DropFirstWord(trimmed));
  if (dateWord.size() < 10 || timeWord.size() < 8) return std::nullopt;
  const auto field = [](const QByteArray& word, int at, int width) {
    return TextUtils::ParseInt32(word.mid(at, width));
  };
  const auto day = field(dateWord, 0, 2), month = field(dateWord, 3, 2), year = field(dateWord, 6, 4);
  const auto hour = field(timeWord, 0, 2), minute = field(timeWord, 3, 2), second = field(timeWord, 6, 2);
  if (!day || !month || !year || !hour || !minute || !second) return std::nullopt;
  const QDate date(*year, *month, *day);
  const QTime time(*hour, *minute, *second);
  if (!date.isValid() || !time.isValid()) return std::nullopt;
  return QDateTime(date, time);
}

std::optional<QByteArray> TInstallationVariables::Read(const QByteArray& name) {
  const QByteArray key = AsciiUpper(name);
  const auto found = FVariables.find(key);
  if (found == FVariables.end()) return std::nullopt;
  Advance();
  if (key == "MODE") return QByteArray(FTestMode ? "1" : "0");
  if (key == "TEST") return QByteArray::number(FTestBits);
  const TVariable& variable = found->second;
  return variable.Kind == TKind::Measured ? Measured(key) : variable.Value;
}

std::optional<QByteArray> TInstallationVariables::Write(const QByteArray& name, const QByteArray& value) {
  const QByteArray key = AsciiUpper(name);
  if (!FVariables.count(key)) return std::nullopt;
  Advance();
  if (Accepts(key, value)) Store(key, value);
  return Read(key);
}

bool TInstallationVariables::Set(const QByteArray& name, const QByteArray& value) {
  const QByteArray key = AsciiUpper(name);
  const auto found = FVariables.find(key);
  if (found == FVariables.end()) return false;
  Advance();
  if (key == "DATETIME" || key == "MODE") {
    if (!Accepts(key, value)) return false;
    Store(key, value);
    return true;
  }
  if (key == "TEST") {
    const auto bits = TextUtils::ParseInt32(value);
    if (!bits || *bits < 0 || *bits > 255) return false;
    FTestBits = *bits;
    return true;
  }
  found->second.Value = value;
  found->second.Pinned = found->second.Kind == TKind::Measured;
  return true;
}

bool TInstallationVariables::Accepts(const QByteArray& key, const QByteArray& value) const {
  if (key == "DATETIME") return ParseDeviceTime(value).has_value();
  if (FVariables.at(key).Kind != TKind::Setting) return false;
  if (key == "MODE" || key == "DRYCONTACTOUT" || key == "ETHERNET" || key == "BAS_SIRENE")
    return IsOneOf(value, {"0", "1"});
  if (key == "BAS_INDICATOR") return IsOneOf(value, {"0", "1", "2"});
  if (key == "TEST") {
    // The actuators are the controller's own business in normal mode.
    const auto bits = TextUtils::ParseInt32(value);
    return FTestMode && bits && *bits >= 0 && *bits <= 255;
  }
  return true;
}

void TInstallationVariables::Store(const QByteArray& key, const QByteArray& value) {
  if (key == "DATETIME") {
    FClockOffsetMs = FClock().msecsTo(*ParseDeviceTime(value));
  } else if (key == "MODE") {
    // Either switch restarts the controller's cycle with every actuator off.
    FTestMode = Trim(value) == "1";
    FTestBits = 0;
  } else if (key == "TEST") {
    FTestBits = *TextUtils::ParseInt32(value);
  } else if (key == "DRYCONTACTOUT" || key == "ETHERNET" || key == "BAS_SIRENE" || key == "BAS_INDICATOR") {
    FVariables[key].Value = Trim(value);
  } else {
    FVariables[key].Value = value;
  }
}

void TInstallationVariables::Advance() {
  const QDateTime now = FClock();
  const double seconds = std::max<qint64>(FLastAdvance.msecsTo(now), 0) / 1000.0;
  FLastAdvance = now;
  if (PumpRuns()) {
    FVolume += ActivityModel::FlowAt(now) * seconds / 60.0;
    FExposureSeconds += seconds;
  }
  if (TapeRuns()) FExposureSeconds = 0;
}

bool TInstallationVariables::PumpRuns() const { return !FTestMode || (FTestBits & kPumpBit); }

bool TInstallationVariables::TapeRuns() const { return FTestMode && (FTestBits & kTapeBit); }

bool TInstallationVariables::ActivitiesValid() const { return !FTestMode || (FTestBits & kActivityBit); }

std::optional<double> TInstallationVariables::Activity(const QByteArray& name) const {
  if (!ActivitiesValid()) return std::nullopt;
  const TVariable& variable = FVariables.at(name);
  if (variable.Pinned) {
    const auto value = TextUtils::ParseDecimal(variable.Value, '.');
    if (!value) return std::nullopt;
    return static_cast<double>(*value);
  }
  const ActivityModel::TActivities a = ActivityModel::At(FClock());
  if (name == "SUMALPHA") return a.Alpha;
  if (name == "SUMBETA") return a.Beta;
  return a.Radon;
}

QByteArray TInstallationVariables::AlarmState(const QByteArray& activity, const QByteArray& setpoint) const {
  const auto value = Activity(activity);
  const auto limit = TextUtils::ParseDecimal(FVariables.at(setpoint).Value, '.');
  return value && limit && *value > static_cast<double>(*limit) ? "1" : "0";
}

QByteArray TInstallationVariables::Measured(const QByteArray& key) const {
  const TVariable& variable = FVariables.at(key);
  if (key == "SUMALPHA" || key == "SUMBETA" || key == "RADON") {
    if (!ActivitiesValid()) return "@@";
    return variable.Pinned ? variable.Value : Decimal(*Activity(key), 2);
  }
  if (variable.Pinned) return variable.Value;
  const QDateTime now = FClock();
  if (key == "DATETIME") return FormatDeviceTime(DeviceTime());
  if (key == "RESOURCE") return QByteArray::number(kResourceHoursAtStart + FStarted.secsTo(now) / 3600);
  if (key == "ALPHAALARM1ON") return AlarmState("SUMALPHA", "ALPHAALARM1");
  if (key == "ALPHAALARM2ON") return AlarmState("SUMALPHA", "ALPHAALARM2");
  if (key == "BETAALARM1ON") return AlarmState("SUMBETA", "BETAALARM1");
  if (key == "BETAALARM2ON") return AlarmState("SUMBETA", "BETAALARM2");
  const double flow = PumpRuns() ? ActivityModel::FlowAt(now) : 0.0;
  if (key == "FLOW") return Decimal(flow, 1);
  if (key == "VOLUME") return Decimal(FVolume, 1);
  if (key == "PREASSURE") return Decimal(PumpRuns() ? ActivityModel::PressureAt(now, FExposureSeconds) : 0.0, 0);
  // The filter spot holds what was collected, whether or not the
  // calculation is shown at the moment.
  const ActivityModel::TActivities a = ActivityModel::At(now);
  const double concentration = key == "FALPHA" ? a.Alpha : a.Beta;
  return Decimal(ActivityModel::FilterActivity(concentration, ActivityModel::FlowAt(now), FExposureSeconds), 2);
}
