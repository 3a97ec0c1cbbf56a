#pragma once

#include <cstdint>

// The commands of the main window's dispatcher, by the numbers the
// installation's programs have always given them.
enum class TCommand : uint8_t {
  SerialSettings = 0,
  ReadCommon = 2,
  ReadMeasure = 3,
  ReadCounter = 4,
  ReadPump = 5,
  ReadTest = 7,
  ReadMainSpectr = 8,
  ReadBkSpectr = 9,
  ReadService = 10,
  ReadNet = 11,
  WriteCommonAll = 14,
  WriteCommon = 15,
  WriteAlarmBlock = 16,
  WriteMeasure = 17,
  WriteCounter = 18,
  WritePump = 19,
  WriteService = 20,
  WriteNet = 21,
  WriteTest = 22,
  SwitchTestMode = 23,
  TestPeriod = 24,
  ReadSpectrFile = 25,
  SaveSpectrFile = 26,
  AccessLevel = 27,
  ReadArchive = 28,
  ReadArchiveFile = 29,
  SaveArchiveFile = 30,
  About = 31,
  DeviceNumber = 32,
  Exit = 33,
  SyncHistory = 34,
  HistoryDatabase = 35,
};
