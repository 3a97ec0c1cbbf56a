#include "EmulatorFaults.h"

#include <algorithm>
#include <utility>

namespace {

const std::pair<TFaultKind, const char*> kNames[] = {
    {TFaultKind::None, "none"},           {TFaultKind::NoAnswer, "no-answer"},
    {TFaultKind::BadCRC, "bad-crc"},      {TFaultKind::WrongAddress, "wrong-address"},
    {TFaultKind::Short, "short"},         {TFaultKind::Late, "late"},
    {TFaultKind::Malformed, "malformed"}, {TFaultKind::WrongBlock, "wrong-block"},
    {TFaultKind::Behind, "behind"},
};

}  // namespace

void TEmulatorFaults::SetPlan(const TFaultPlan& plan) {
  FPlan = plan;
  FSeen = 0;
}

TFaultKind TEmulatorFaults::Take(bool blockRequest) {
  if (FPlan.Kind == TFaultKind::None) return TFaultKind::None;
  if (FPlan.Kind == TFaultKind::WrongBlock && !blockRequest) return TFaultKind::None;
  const int n = ++FSeen - std::max(FPlan.After, 0);
  if (n <= 0) return TFaultKind::None;
  const bool everyRequest = FPlan.Every <= 0 && FPlan.Next <= 0;
  const bool hit = everyRequest || (FPlan.Next > 0 && n <= FPlan.Next) || (FPlan.Every > 0 && n % FPlan.Every == 0);
  if (!hit) return TFaultKind::None;
  ++FApplied;
  return FPlan.Kind;
}

std::optional<TFaultKind> TEmulatorFaults::Parse(const QByteArray& name) {
  for (const auto& [kind, text] : kNames)
    if (name == text) return kind;
  return std::nullopt;
}

QByteArray TEmulatorFaults::Name(TFaultKind kind) {
  for (const auto& [k, text] : kNames)
    if (k == kind) return text;
  return {};
}

QByteArrayList TEmulatorFaults::Names() {
  QByteArrayList names;
  for (const auto& entry : kNames) names << entry.second;
  return names;
}
