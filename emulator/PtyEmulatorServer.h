#pragma once

#include "FrameAssembler.h"
#include "PseudoTerminal.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class TInstallationEmulator;
struct TEmulatorAnswer;

struct TPtyServerOptions {
  // Line speed the answers are paced at (10 bits a byte), and at which the
  // requests are taken to arrive; 0: as fast as the pseudo-terminal goes.
  int Baud = 0;
  // Pause between the end of a request and the start of its answer, ms.
  int TurnaroundMs = 0;
  // A partial frame followed by this much silence is dropped, ms.
  int SilenceGapMs = 50;
};

// Serves the emulator on the master side of a pseudo-terminal, on a thread of
// its own: the program (or a test) opens SlavePath() as its serial port.
// Request bytes are cut into frames by their announced length, each frame is
// answered, and a late answer holds back the requests behind it, as a busy
// controller would.
class TPtyEmulatorServer {
 public:
  // Told about every frame, on the server's thread.
  using TObserver = std::function<void(const TEmulatorAnswer&)>;

  // The emulator is borrowed and must outlive the server.
  explicit TPtyEmulatorServer(TInstallationEmulator& emulator, TPtyServerOptions options = {});
  ~TPtyEmulatorServer();
  TPtyEmulatorServer(const TPtyEmulatorServer&) = delete;
  TPtyEmulatorServer& operator=(const TPtyEmulatorServer&) = delete;

  // Set before Start.
  void SetObserver(TObserver observer) { FObserver = std::move(observer); }

  // False when the pseudo-terminal could not be opened or the server runs.
  bool Start();
  // Returns once the thread has ended; an answer being sent is cut short.
  void Stop();
  bool IsRunning() const { return FThread.joinable(); }

  QString SlavePath() const { return FTerminal.SlavePath(); }
  TPseudoTerminal& Terminal() { return FTerminal; }

 private:
  void Run();
  void Answer(const TEmulatorAnswer& answer, int requestBytes);
  // Sleeps, unless told to stop; false when told to stop.
  bool Pause(int ms);
  bool SendPaced(const QByteArray& bytes);
  bool WriteAll(const QByteArray& bytes);

  TInstallationEmulator& FEmulator;
  TPtyServerOptions FOptions;
  TPseudoTerminal FTerminal;
  TFrameAssembler FAssembler;
  TObserver FObserver;
  std::thread FThread;
  std::atomic<bool> FStopping{false};
  int FWake[2] = {-1, -1};  // a byte here wakes the thread to stop
};
