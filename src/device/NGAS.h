#pragma once

#include "DeviceArchive.h"
#include "DeviceCatalogue.h"
#include "OpenProtocolDriver.h"
#include "OpenProtocolVarList.h"
#include "ProgressSink.h"
#include "RadiationSpectr.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// Abandons a failed step inside an operation of TNGAS; never leaves it.
class ENGASError {};

// The installation as the program knows it: its variables in groups (each
// group is what one read or write exchanges), the main and the background
// spectrum, and the device archive. Every exchange goes through the borrowed
// protocol driver with the device address kept here. Failures come back as
// false; the group values then hold whatever the driver left in them.
//
// A variable is reached by its group and its position (DeviceCatalogue.h):
// CommonVarList().GetItem(CommonVar::DATETIME).
//
// One thread at a time owns the groups, the spectra and the archive: the
// link thread while a command's exchange runs, the window's thread in the
// steps between. The owner is handed over with SetOwner; in debug builds and
// tests a touch from another thread stops the program at once.
class TNGAS {
 public:
  explicit TNGAS(TOpenProtocolDriver* driver);
  TNGAS(const TNGAS&) = delete;
  TNGAS& operator=(const TNGAS&) = delete;

  void SetDriver(TOpenProtocolDriver* driver) { FDriver = driver; }
  TOpenProtocolDriver* DriverInUse() const { return FDriver; }
  // Null (the default): any thread, as in a program with one thread.
  void SetOwner(QThread* owner) { FOwner.store(owner); }
  void SetDevAddress(uint8_t address) { FDevAddress = address; }
  uint8_t DevAddress() const { return FDevAddress; }
  // The overall bar of an archive read.
  void SetProgressBar(TProgressSink* bar) { FProgressBar = bar; }

  bool ReadMode() { return ReadGroup(FModeVarList); }
  // The common group and the alarm block: both are always exchanged, the
  // result is true only when both succeeded.
  bool ReadCommon();
  bool ReadMeasure() { return ReadGroup(FMeasureVarList); }
  bool ReadCounter() { return ReadGroup(FCounterVarList); }
  bool ReadPump() { return ReadGroup(FPumpVarList); }
  // The test group, and the test activities when TEST has bit 7 set.
  bool ReadTest();
  bool ReadService() { return ReadGroup(FServiceVarList); }
  bool ReadNet() { return ReadGroup(FNetVarList); }
  // The calibration and the counts of a spectrum; the calibration just read
  // also goes into the counter group. A coefficient that is not a number is
  // taken as A = 1 or B = 0.
  bool ReadMainSpectr();
  bool ReadBkSpectr();
  // Sets ArchSize(); 0 and false when the read fails or the answer is not a
  // count of records.
  bool ReadArchSize();
  // One record, numbered from 1, into a fresh copy of the template in the
  // slot; its variables carry the index "A" and the number, at least three
  // digits (A007).
  bool ReadArchRecord(const TOPVarList& templ, int record, std::unique_ptr<TOPVarList>& slot);
  // Records first to last, every step-th, into Archive(), whose columns
  // become the template. Out-of-range arguments are pulled into 1..ArchSize().
  // On failure the records read so far stay.
  bool ReadArchive(int step, int first, int last, const TOPVarList& templ);

  bool WriteMode() { return WriteGroup(FModeVarList); }
  // The common group and the alarm block, as ReadCommon.
  bool WriteCommonAll();
  bool WriteCommon() { return WriteGroup(FCommonVarList); }
  bool WriteAlarmBlock() { return WriteGroup(FAlarmBlockVarList); }
  bool WriteMeasure() { return WriteGroup(FMeasureVarList); }
  bool WriteCounter() { return WriteGroup(FCounterVarList); }
  bool WritePump() { return WriteGroup(FPumpVarList); }
  bool WriteTest() { return WriteGroup(FTestVarList); }
  bool WriteService() { return WriteGroup(FServiceVarList); }
  bool WriteNet() { return WriteGroup(FNetVarList); }

  // Which variables of the group came with its last read; empty before the
  // first one.
  std::vector<bool> Answered(const TOPVarList& group) const;

  TOPVarList& ModeVarList() { return Owned(FModeVarList); }
  TOPVarList& CommonVarList() { return Owned(FCommonVarList); }
  TOPVarList& MeasureVarList() { return Owned(FMeasureVarList); }
  TOPVarList& CounterVarList() { return Owned(FCounterVarList); }
  TOPVarList& PumpVarList() { return Owned(FPumpVarList); }
  TOPVarList& TestVarList() { return Owned(FTestVarList); }
  TOPVarList& TestActivityVarList() { return Owned(FTestActivityVarList); }
  TOPVarList& AlarmBlockVarList() { return Owned(FAlarmBlockVarList); }
  TOPVarList& MainSpectrVarList() { return Owned(FMainSpectrVarList); }
  TOPVarList& BkSpectrVarList() { return Owned(FBkSpectrVarList); }
  TOPVarList& MainEnergyVarList() { return Owned(FMainEnergyVarList); }
  TOPVarList& BkEnergyVarList() { return Owned(FBkEnergyVarList); }
  TOPVarList& ServiceVarList() { return Owned(FServiceVarList); }
  TOPVarList& NetVarList() { return Owned(FNetVarList); }
  TOPVarList& ArchSizeVarList() { return Owned(FArchSizeVarList); }
  const TOPVarList& ArchVarList() const { return FArchVarList; }
  const TOPVarList& ArchCaptionVarList() const { return FArchCaptionVarList; }
  const TOPVarList& ArchDefaultMaskVarList() const { return FArchDefaultMaskVarList; }
  const TOPVarList& ArchSelectVarList() const { return *FArchSelectVarList; }
  // The variables chosen for the next archive read.
  void SetArchSelectVarList(const TOPVarList& selection) { selection.CopyTo(FArchSelectVarList); }

  TRadiationSpectr& MainSpectr() { return Owned(FMainSpectr); }
  TRadiationSpectr& BkSpectr() { return Owned(FBkSpectr); }
  TDeviceArchive& Archive() { return Owned(FArchive); }
  int ArchSize() const { return FArchSize; }

 private:
  template <typename T>
  T& Owned(T& part) const {
    CheckOwner();
    return part;
  }
  void CheckOwner() const;
  TOpenProtocolDriver& Driver() const;
  bool ReadGroup(TOPVarList& group);
  bool WriteGroup(TOPVarList& group);
  bool ReadSpectr(TOPVarList& energy, const TOPVarList& block, TRadiationSpectr& spectr);

  TOpenProtocolDriver* FDriver = nullptr;
  uint8_t FDevAddress = 0;
  TProgressSink* FProgressBar = nullptr;
  int FArchSize = 0;
  std::atomic<QThread*> FOwner{nullptr};
  std::map<const TOPVarList*, std::vector<bool>> FAnswered;

  TOPVarList FModeVarList;
  TOPVarList FCommonVarList;
  TOPVarList FMeasureVarList;
  TOPVarList FCounterVarList;
  TOPVarList FPumpVarList;
  TOPVarList FTestVarList;
  TOPVarList FTestActivityVarList;
  TOPVarList FAlarmBlockVarList;
  TOPVarList FMainSpectrVarList;
  TOPVarList FBkSpectrVarList;
  TOPVarList FMainEnergyVarList;
  TOPVarList FBkEnergyVarList;
  TOPVarList FServiceVarList;
  TOPVarList FNetVarList;
  TOPVarList FArchSizeVarList;
  TOPVarList FArchVarList;
  TOPVarList FArchCaptionVarList;
  TOPVarList FArchDefaultMaskVarList;
  std::unique_ptr<TOPVarList> FArchSelectVarList = std::make_unique<TOPVarList>();

  TRadiationSpectr FMainSpectr;
  TRadiationSpectr FBkSpectr;
  TDeviceArchive FArchive;
};
