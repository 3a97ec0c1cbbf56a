#pragma once

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <map>
#include <optional>

// The clock the emulated controller lives by; tests hand in a manual one.
using TEmulatorClock = std::function<QDateTime()>;

// The live variables of the emulated installation: settings that the
// operator may write, read-only state, and measured values computed from the
// clock. Names are compared without regard to the case of ASCII letters.
//
// Behaviour the program relies on:
// - MODE "1" enters the test mode, "0" returns to normal; other values are
//   refused. Both switches stop every test actuator.
// - TEST (bit 0 pump, bit 1 tape drive, bit 7 activity calculation) takes
//   writes only in test mode. In test mode the activities have a value only
//   while bit 7 is set; otherwise they answer "@@".
// - The pump runs in normal mode and, in test mode, while bit 0 is set; FLOW,
//   VOLUME and PREASSURE follow it. Moving the tape gives a clean filter spot,
//   so FALPHA and FBETA start building up again.
// - DATETIME runs with the clock; a write sets the controller's clock, kept
//   as an offset from the PC clock.
// - ALPHAALARMxON and BETAALARMxON tell whether the activity exceeds the
//   setpoint of that level.
class TInstallationVariables {
 public:
  explicit TInstallationVariables(TEmulatorClock clock);

  bool Knows(const QByteArray& name) const;

  // The value a read answers ("@@" when the installation has none at the
  // moment); no value for a variable the installation does not know.
  std::optional<QByteArray> Read(const QByteArray& name);

  // Takes a write when the variable is writable and the value acceptable,
  // and answers the value now held, which is the old one after a refusal.
  std::optional<QByteArray> Write(const QByteArray& name, const QByteArray& value);

  // Sets a value from outside the protocol, read-only and measured ones
  // included (a measured value then stays at that value), for demonstrations
  // and tests. DATETIME sets the clock. False for an unknown name or a
  // DATETIME that does not parse.
  bool Set(const QByteArray& name, const QByteArray& value);

  bool TestMode() const { return FTestMode; }
  QDateTime DeviceTime() const;

  // DD/MM/YYYY HH.MM.SS, and back. Reading takes the fields by position, so
  // any one-character separators are accepted.
  static QByteArray FormatDeviceTime(const QDateTime& time);
  static std::optional<QDateTime> ParseDeviceTime(const QByteArray& text);

 private:
  enum class TKind { Setting, ReadOnly, Measured };

  struct TVariable {
    TKind Kind = TKind::Setting;
    QByteArray Value;
    bool Pinned = false;  // a measured value fixed by Set
  };

  void Advance();
  bool PumpRuns() const;
  bool TapeRuns() const;
  bool ActivitiesValid() const;
  QByteArray Measured(const QByteArray& name) const;
  // The activity as a number: a fixed value if one was set, else the model's.
  std::optional<double> Activity(const QByteArray& name) const;
  QByteArray AlarmState(const QByteArray& activity, const QByteArray& setpoint) const;
  bool Accepts(const QByteArray& name, const QByteArray& value) const;
  void Store(const QByteArray& name, const QByteArray& value);

  TEmulatorClock FClock;
  std::map<QByteArray, TVariable> FVariables;
  QDateTime FStarted;
  QDateTime FLastAdvance;
  qint64 FClockOffsetMs = 0;
  bool FTestMode = false;
  int FTestBits = 0;
  double FVolume = 0;           // litres pumped since start
  double FExposureSeconds = 0;  // pumping time on the current filter spot
};
