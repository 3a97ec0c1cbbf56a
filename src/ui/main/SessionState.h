#pragma once

#include "AccessRights.h"

#include <QDateTime>
#include <QObject>

#include <array>
#include <cstdint>
#include <vector>

// A variable group that a settings page shows and writes.
enum class TSettingsGroup : uint8_t { Common, AlarmBlock, Measure, Counter, Pump, Test, Service, Net };
inline constexpr int kSettingsGroupCount = 8;

// Where the values of a group came from. Only read and edited values came
// from the installation (edited: the operator typed over values it gave);
// a group never read, or whose last read failed, holds nothing that may be
// sent back to it.
enum class TGroupState : uint8_t { Unread, Read, Failed, Edited };

// The installation's mode as the window drives it. The switches are
// exchanges of their own: between asking and the installation's answer the
// mode is neither one nor the other.
enum class TTestMode : uint8_t { Normal, EnteringTest, Test, LeavingTest };

// What the main window knows of its session with the installation, in one
// place: per group whether its values came from the installation and when,
// the test mode with its poll, and the access level. The window shows it;
// every holder of device data answers LevelChanged. Lives on the window's
// thread.
class TSessionState : public QObject {
  Q_OBJECT

 public:
  TGroupState Group(TSettingsGroup group) const { return FGroups[Index(group)].State; }
  // The values may be written back: read, or typed over read ones.
  bool HasDeviceValues(TSettingsGroup group) const;
  // A read of the group ended; answered marks the variables that came with
  // it (all of them when the read succeeded).
  void GroupRead(TSettingsGroup group, bool read, const std::vector<bool>& answered, const QDateTime& at);
  // The operator changed a value of the group.
  void GroupEdited(TSettingsGroup group);
  // When a variable last came from the installation (invalid: never), and
  // whether it came with the last read of its group.
  QDateTime VariableRead(TSettingsGroup group, int position) const;
  bool IsOld(TSettingsGroup group, int position) const;
  // When every variable of the group last came in one read (invalid: never).
  QDateTime WholeRead(TSettingsGroup group) const { return FGroups[Index(group)].WholeRead; }

  TTestMode Mode() const { return FMode; }
  // The installation is (or may still be) in test mode.
  bool InTestMode() const { return FMode != TTestMode::Normal; }
  // The poll runs while the test mode lasts, unless a failed return to
  // normal mode stopped it.
  bool Polling() const { return FMode == TTestMode::Test && FPolling; }
  // Normal → entering; false from any other mode.
  bool BeginEnterTest();
  // Entering → test (polling) when the installation confirmed, else normal.
  void TestEntered(bool confirmed);
  // Test → leaving; false from any other mode.
  bool BeginLeaveTest();
  // Leaving → normal when confirmed; else test with the poll stopped.
  void TestLeft(bool confirmed);
  // An actuator write in test mode starts a stopped poll again.
  void ResumePolling();

  const TAccessRights& Level() const { return FLevel; }
  // The one event of a new access level: every holder of device data that
  // the level hides lets it go.
  void ApplyLevel(const TAccessRights& level);

 signals:
  void GroupChanged(TSettingsGroup group);
  void ModeChanged(TTestMode mode);
  void LevelChanged(const TAccessRights& level);

 private:
  struct TGroup {
    TGroupState State = TGroupState::Unread;
    QDateTime LastAttempt;
    QDateTime WholeRead;
    std::vector<QDateTime> Variables;
  };
  static int Index(TSettingsGroup group) { return static_cast<int>(group); }
  void SetMode(TTestMode mode);

  std::array<TGroup, kSettingsGroupCount> FGroups;
  TTestMode FMode = TTestMode::Normal;
  bool FPolling = false;
  TAccessRights FLevel;
};
