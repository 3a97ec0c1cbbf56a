#pragma once

#include "SerialPort.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QSet>

#include <algorithm>

// A port in memory: records what the link asks of it, hands out bytes fed
// by the test, and fails any operation on demand.
class TMemorySerialPort : public TSerialPort {
 public:
  enum class TOp { Open, GetLineState, SetLineState, SetTimeouts, ReceivedCharEvent, DTR, RTS, Write, Read };

  // What the port had before the link touched it.
  TLineState Current{19200, 7, TParity::Odd, TStopBits::Two};
  TTimeouts Timeouts;
  QByteArray OpenedName;
  QByteArray Written;
  QByteArray Incoming;
  // Every call in order, e.g. "Open", "DTR 0", "Close".
  QByteArrayList Calls;
  QSet<TOp> Failing;

  bool Open(const QByteArray& deviceName) override {
    Calls << "Open";
    if (Failing.contains(TOp::Open)) return false;
    FOpen = true;
    OpenedName = deviceName;
    return true;
  }
  void Close() override {
    Calls << "Close";
    FOpen = false;
  }
  bool IsOpen() const override { return FOpen; }

  bool GetLineState(TLineState& state) override {
    if (!Do("GetLineState", TOp::GetLineState)) return false;
    state = Current;
    return true;
  }
  bool SetLineState(const TLineState& state) override {
    if (!Do("SetLineState", TOp::SetLineState)) return false;
    Current = state;
    return true;
  }
  bool SetTimeouts(const TTimeouts& timeouts) override {
    if (!Do("SetTimeouts", TOp::SetTimeouts)) return false;
    Timeouts = timeouts;
    return true;
  }
  bool EnableReceivedCharEvent() override { return Do("ReceivedCharEvent", TOp::ReceivedCharEvent); }
  bool SetDTR(bool high) override { return Do(high ? "DTR 1" : "DTR 0", TOp::DTR); }
  bool SetRTS(bool high) override { return Do(high ? "RTS 1" : "RTS 0", TOp::RTS); }

  bool Write(const uint8_t* buffer, uint32_t count, uint32_t& written) override {
    written = 0;
    if (!Do("Write", TOp::Write)) return false;
    Written.append(reinterpret_cast<const char*>(buffer), count);
    written = count;
    return true;
  }
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TCommChannel::TExpectedLength) override {
    count = 0;
    if (!Do("Read", TOp::Read)) return false;
    count = std::min<uint32_t>(size, static_cast<uint32_t>(Incoming.size()));
    std::copy_n(Incoming.constData(), count, buffer);
    Incoming.remove(0, count);
    return true;
  }
  bool DiscardInput() override {
    Calls << "DiscardInput";
    Incoming.clear();
    return FOpen;
  }

 private:
  bool Do(const QByteArray& call, TOp op) {
    Calls << call;
    return FOpen && !Failing.contains(op);
  }

  bool FOpen = false;
};
