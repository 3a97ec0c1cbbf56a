#include "ArchiveGenerator.h"

#include "ActivityModel.h"
#include "InstallationVariables.h"
#include "TextUtils.h"

#include <algorithm>
#include <utility>

namespace {

const QByteArrayList kArchiveVariables = {
    "MODE",        "DATETIME",   "SERIALN",    "DRYCONTACTIN",  "DRYCONTACTOUT", "STATUS",       "ALPHAALARM1",
    "ALPHAALARM2", "BETAALARM1", "BETAALARM2", "ALPHAALARM1ON", "ALPHAALARM2ON", "BETAALARM1ON", "BETAALARM2ON",
    "SUMALPHA",    "SUMBETA",    "RADON",      "FLOW",          "VOLUME"};

constexpr int kFlowMeterFault = 0x04;

bool InTestSession(int record) { return record % 173 < 2; }
bool DoorOpen(int record) { return record % 61 >= 58; }
bool FlowMeterHiccup(int record) { return ActivityModel::Noise(static_cast<uint64_t>(record) * 7 + 3) > 0.96; }

}  // namespace

TArchiveGenerator::TArchiveGenerator(int records, const QDateTime& started, int intervalSeconds,
                                     TArchiveSettings settings)
    : FRecords(std::max(records, 0)), FIntervalSeconds(std::max(intervalSeconds, 1)), FSettings(std::move(settings)) {
  const qint64 seconds = started.toSecsSinceEpoch();
  FNewest = QDateTime::fromSecsSinceEpoch(seconds - seconds % FIntervalSeconds);
}

QDateTime TArchiveGenerator::RecordTime(int record) const {
  return FNewest.addSecs(-static_cast<qint64>(FRecords - InTimeOrder(record)) * FIntervalSeconds);
}

void TArchiveGenerator::SetCapacity(int capacity) {
  FCapacity = std::max(capacity, 0);
  Append(0);
}

void TArchiveGenerator::Append(int records) {
  records = std::max(records, 0);
  FNewest = FNewest.addSecs(static_cast<qint64>(records) * FIntervalSeconds);
  FRecords += records;
  if (FCapacity > 0 && FRecords > FCapacity) {
    FDropped += FRecords - FCapacity;
    FRecords = FCapacity;
  }
}

bool TArchiveGenerator::IsArchiveVariable(const QByteArray& name) {
  return kArchiveVariables.contains(TextUtils::AsciiUpper(name));
}

std::optional<int> TArchiveGenerator::ParseIndex(const QByteArray& index) {
  if (index.size() < 4 || (index[0] != 'A' && index[0] != 'a')) return std::nullopt;
  const QByteArray digits = index.mid(1);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
  return TextUtils::ParseInt32(digits);
}

QByteArray TArchiveGenerator::IndexOf(int record) { return 'A' + QByteArray::number(record).rightJustified(3, '0'); }

QByteArray TArchiveGenerator::AlarmState(double activity, const QByteArray& setpoint) const {
  const auto limit = TextUtils::ParseDecimal(setpoint, '.');
  return limit && activity > static_cast<double>(*limit) ? "1" : "0";
}

std::optional<QByteArray> TArchiveGenerator::Value(const QByteArray& name, int record) const {
  const QByteArray key = TextUtils::AsciiUpper(name);
  if (record < 1 || record > FRecords || !kArchiveVariables.contains(key)) return std::nullopt;
  const QDateTime time = RecordTime(record);
  const ActivityModel::TActivities a = ActivityModel::At(time);
  // The occasional events belong to the measurement, whatever number it has now.
  const int measurement = static_cast<int>(Measurement(record) % 1000000007);
  // A flow meter out of order reports nothing.
  const double flow = FlowMeterHiccup(measurement) ? 0.0 : ActivityModel::FlowAt(time);
  const auto decimal = [](double value, int digits) { return QByteArray::number(value, 'f', digits); };

  if (key == "MODE") return QByteArray(InTestSession(measurement) ? "1" : "0");
  if (key == "DATETIME") return TInstallationVariables::FormatDeviceTime(time);
  if (key == "SERIALN") return FSettings.SerialNumber;
  if (key == "DRYCONTACTIN") return QByteArray(DoorOpen(measurement) ? "1" : "0");
  if (key == "DRYCONTACTOUT") {
    // The output contact follows the first-level alarms.
    const bool alarm =
        AlarmState(a.Alpha, FSettings.AlphaAlarm1) == "1" || AlarmState(a.Beta, FSettings.BetaAlarm1) == "1";
    return QByteArray(alarm ? "1" : "0");
  }
  if (key == "STATUS") return QByteArray::number(FlowMeterHiccup(measurement) ? kFlowMeterFault : 0);
  if (key == "ALPHAALARM1") return FSettings.AlphaAlarm1;
  if (key == "ALPHAALARM2") return FSettings.AlphaAlarm2;
  if (key == "BETAALARM1") return FSettings.BetaAlarm1;
  if (key == "BETAALARM2") return FSettings.BetaAlarm2;
  if (key == "ALPHAALARM1ON") return AlarmState(a.Alpha, FSettings.AlphaAlarm1);
  if (key == "ALPHAALARM2ON") return AlarmState(a.Alpha, FSettings.AlphaAlarm2);
  if (key == "BETAALARM1ON") return AlarmState(a.Beta, FSettings.BetaAlarm1);
  if (key == "BETAALARM2ON") return AlarmState(a.Beta, FSettings.BetaAlarm2);
  if (key == "SUMALPHA") return decimal(a.Alpha, 2);
  if (key == "SUMBETA") return decimal(a.Beta, 2);
  if (key == "RADON") return decimal(a.Radon, 2);
  if (key == "FLOW") return decimal(flow, 1);
  return decimal(flow * FIntervalSeconds / 60.0, 1);  // VOLUME pumped during the measurement
}

std::unique_ptr<TOPVarList> TArchiveGenerator::Record(const TOPVarList& columns, int record) const {
  auto values = std::make_unique<TOPVarList>();
  for (int c = 0; c < columns.Count(); ++c) {
    const QByteArray name = columns.GetItem(c)->Name;
    values->Add(name, IndexOf(record), Value(name, record).value_or(QByteArray()));
  }
  return values;
}
