#include "SessionState.h"

bool TSessionState::HasDeviceValues(TSettingsGroup group) const {
  const TGroupState state = Group(group);
  return state == TGroupState::Read || state == TGroupState::Edited;
}

void TSessionState::GroupRead(TSettingsGroup group, bool read, const std::vector<bool>& answered, const QDateTime& at) {
  TGroup& entry = FGroups[Index(group)];
  if (entry.Variables.size() < answered.size()) entry.Variables.resize(answered.size());
  bool whole = !answered.empty();
  for (size_t i = 0; i < answered.size(); ++i) {
    if (answered[i])
      entry.Variables[i] = at;
    else
      whole = false;
  }
  entry.LastAttempt = at;
  if (read && whole) entry.WholeRead = at;
  entry.State = read ? TGroupState::Read : TGroupState::Failed;
  emit GroupChanged(group);
}

void TSessionState::GroupEdited(TSettingsGroup group) {
  TGroup& entry = FGroups[Index(group)];
  if (entry.State != TGroupState::Read) return;
  entry.State = TGroupState::Edited;
  emit GroupChanged(group);
}

QDateTime TSessionState::VariableRead(TSettingsGroup group, int position) const {
  const TGroup& entry = FGroups[Index(group)];
  if (position < 0 || static_cast<size_t>(position) >= entry.Variables.size()) return {};
  return entry.Variables[static_cast<size_t>(position)];
}

bool TSessionState::IsOld(TSettingsGroup group, int position) const {
  const TGroup& entry = FGroups[Index(group)];
  return entry.LastAttempt.isValid() && VariableRead(group, position) != entry.LastAttempt;
}

bool TSessionState::BeginEnterTest() {
  if (FMode != TTestMode::Normal) return false;
  SetMode(TTestMode::EnteringTest);
  return true;
}

void TSessionState::TestEntered(bool confirmed) {
  if (FMode != TTestMode::EnteringTest) return;
  FPolling = confirmed;
  SetMode(confirmed ? TTestMode::Test : TTestMode::Normal);
}

bool TSessionState::BeginLeaveTest() {
  if (FMode != TTestMode::Test) return false;
  FPolling = false;
  SetMode(TTestMode::LeavingTest);
  return true;
}

void TSessionState::TestLeft(bool confirmed) {
  if (FMode != TTestMode::LeavingTest) return;
  FPolling = false;
  SetMode(confirmed ? TTestMode::Normal : TTestMode::Test);
}

void TSessionState::ResumePolling() {
  if (FMode != TTestMode::Test || FPolling) return;
  FPolling = true;
  emit ModeChanged(FMode);
}

void TSessionState::SetMode(TTestMode mode) {
  FMode = mode;
  emit ModeChanged(mode);
}

void TSessionState::ApplyLevel(const TAccessRights& level) {
  FLevel = level;
  emit LevelChanged(level);
}
