#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <optional>

// How the program reads the few variable values it interprets. Every other
// value is carried and shown as the installation sends it.
namespace DeviceValues {

// DATETIME ------------------------------------------------------------------

// What a DATETIME text yields. The time is only taken when the date is valid.
struct TDeviceDateTime {
  std::optional<QDate> Date;
  std::optional<QTime> Time;
};

// The text needs a space: the first word is the date, the rest the time. Day,
// month and year sit at characters 1-2, 4-5 and 7-10 of the date word, hour,
// minute and second at 1-2, 4-5 and 7-8 of the time word; the separators
// between them are not looked at.
TDeviceDateTime ParseDeviceDateTime(const QByteArray& text);

// The moment a DATETIME text names, when both its date and its time are
// valid. The installation's clock knows no time zone and no summer time, so
// the moment is held in UTC: an hour that a local clock change skips or
// repeats keeps its place between its neighbours.
std::optional<QDateTime> DeviceMoment(const QByteArray& text);

// DD/MM/YYYY HH.MM.SS, as the installation's clock is set.
QByteArray FormatDeviceDate(const QDate& date);
QByteArray FormatDeviceTime(const QTime& time);
QByteArray FormatDeviceDateTime(const QDate& date, const QTime& time);

// The new date and the old time word, or the old date word and the new time.
// Anything after the time word is dropped; a text without a space comes back
// unchanged. A caller holding an empty DATETIME fills it from both pickers
// with FormatDeviceDateTime first.
QByteArray ReplaceDatePart(const QByteArray& text, const QDate& date);
QByteArray ReplaceTimePart(const QByteArray& text, const QTime& time);

// STATUS --------------------------------------------------------------------

// A set bit of STATUS reports a fault of that unit.
enum class TStatusFault : int { MainChannel = 0, BkChannel, FlowMeter, Pump, Filter, TapeEnd };
constexpr int kStatusFaultCount = 6;

// A STATUS text that is not an integer reports no fault.
bool IsFault(const QByteArray& status, TStatusFault fault);

// TEST ----------------------------------------------------------------------

constexpr int kTestPump = 0x01;
constexpr int kTestTape = 0x02;
constexpr int kTestActivity = 0x80;  // the installation also computes activities

// The TEST value after trimming; 0 when it is not an integer.
int TestValue(const QByteArray& test);
bool IsTestBitSet(const QByteArray& test, int bit);
// Sets a clear bit; clears a set one with the 8-bit complement of the bit, so
// that bits above bit 7 drop out as well (301 toggled at bit 0 gives 44).
QByteArray ToggleTestBit(const QByteArray& test, int bit);

// Alarm block ---------------------------------------------------------------

enum class TAlarmColour { Green, Yellow, Red };

// "0" green, "1" yellow, "2" red; anything else is shown as green.
TAlarmColour AlarmColour(const QByteArray& indicator);
QByteArray AlarmColourValue(TAlarmColour colour);

// The siren sounds only for "1".
bool IsSireneOn(const QByteArray& sirene);
// "0" becomes "1", anything else "0".
QByteArray ToggleSirene(const QByteArray& sirene);

// Flags ---------------------------------------------------------------------

// "1" means on (a setpoint exceeded, a contact closed); anything else off.
bool IsOn(const QByteArray& flag);

// Two-state switches shown as a choice of "Вкл"/"Выкл": "1" on, "0" off, any
// other value selects neither.
std::optional<bool> OnOffState(const QByteArray& value);
QByteArray OnOffValue(bool on);

// MAINENERGYA "0" (blanks around it allowed) is how the installation says
// that no counter is connected.
bool IsCounterNotConnected(const QByteArray& mainEnergyA);

}  // namespace DeviceValues
