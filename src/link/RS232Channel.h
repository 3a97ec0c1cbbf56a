#pragma once

#include "ComResourceEng.h"
#include "ComSettings.h"
#include "ComSettingsEditor.h"
#include "CommChannel.h"
#include "SerialPort.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class TLogSink;

// The byte pipe between the protocol driver and one serial port: loads and
// saves the port settings, opens the port with them, and offers one blocking
// write and one blocking read. Framing and retries are the driver's business.
class TRS232Channel : public TCommChannel {
 public:
  enum : uint8_t { kStateOpen = 0, kStateNotOpen = 1 };

  // The port is not opened yet.
  explicit TRS232Channel(std::unique_ptr<TSerialPort> port);
  ~TRS232Channel() override;
  TRS232Channel(const TRS232Channel&) = delete;
  TRS232Channel& operator=(const TRS232Channel&) = delete;

  bool LoadSettings(const QString& fileName);
  bool SaveSettings(const QString& fileName) const;

  // Opens the port with the settings as they are now. True when open.
  bool Open();
  // Releases the port; the state stays, since an Open always follows.
  void Close();

  // A port that went away (an adapter pulled out) is closed at once, and
  // the terminal log says so; a port that is not open is opened again with
  // the settings of the last Open, when asked, and the log says when it
  // is. Both are borrowed and told on the thread that uses the channel.
  void SetLog(TLogSink* log) { FLog = log; }
  // Told whenever the port went away or came back.
  void SetPortObserver(std::function<void(bool open)> observer) { FPortObserver = std::move(observer); }
  // Opens the port again when it is not open, unless the last try was less
  // than minGapMs ago. True when the port is open.
  bool Reopen(int minGapMs = 0);

  // The editor is borrowed; the program's window owns it.
  void SetEditor(TComSettingsEditor* editor) { FEditor = editor; }
  // Lets the operator change the settings. True when confirmed; otherwise
  // the settings are put back as they were. False without an editor.
  bool Configure();

  bool Write(const uint8_t* buffer, uint32_t& count) override;
  bool Read(uint8_t* buffer, uint32_t size, uint32_t& count, TExpectedLength expectedLength = nullptr) override;
  void DiscardInput() override;
  void DrainInput() override;

  uint8_t State() const { return FState; }
  TComSettings& Settings() { return FSettings; }
  const TComSettings& Settings() const { return FSettings; }
  const TComProperties& Properties() const { return *FProperties; }

 private:
  // Declared first so that it goes last: the settings object closes the
  // port on its way out.
  std::unique_ptr<TSerialPort> FPort;
  TComSettings FSettings;
  std::unique_ptr<TComProperties> FProperties;
  TComSettingsEditor* FEditor = nullptr;
  uint8_t FState = kStateNotOpen;
  TLogSink* FLog = nullptr;
  std::function<void(bool)> FPortObserver;
  QElapsedTimer FLastReopen;

  // After a failed transfer: a port that went away is let go.
  void CheckLost();
  void Notice(const QString& text);
};
