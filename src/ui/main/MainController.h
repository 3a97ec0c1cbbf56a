#pragma once

#include "LinkThread.h"
#include "MainCommands.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QWidget;
class TCrossThreadLog;
class TCrossThreadProgress;
class TListBoxLog;
class TNGAS;
class TOpenProtocolDriver;
class TOperatorDialogs;
class TProgressSink;
class TRS232Channel;
class TSerialPort;
class TWaitWindow;
class TWaitWindow2Btn;

// What the program is doing with the installation. Only whether it is idle
// decides anything: a command, a deferred operator change or a test-mode
// tick starts only then.
enum class TBusyState : uint8_t { Idle = 0, Reading = 1, Writing = 2 };

// Runs the main window's commands: owns the dispatcher, the one busy state,
// the link thread with the serial channel, the protocol driver and the
// device model on it, and the wait windows. An exchange runs on the
// link thread while its wait window, modal, keeps the operator's input away;
// its result comes back through the event loop after the window is hidden.
class TMainController : public QObject {
  Q_OBJECT

 public:
  // A running command holds it; the state returns to idle when the last copy
  // is released, also when a step of the command failed with an exception.
  using TBusyToken = std::shared_ptr<void>;
  // No wait window (test-mode reads and mode switches), the plain one, or
  // the archive read's window with its two bars and "Отменить".
  enum class TWait { None, Plain, Archive };
  // A command: the state it runs in, and what it does with the token that
  // holds that state (a command that talks to the installation keeps it in
  // the step that follows its exchange).
  struct TCommandEntry {
    TBusyState State;
    std::function<void(TBusyToken)> Run;
  };

  // The window owns the wait windows; the logs are its pages. The port is
  // not opened yet.
  TMainController(QWidget& window, TOperatorDialogs& dialogs, std::unique_ptr<TSerialPort> port, TListBoxLog& commLog,
                  TListBoxLog& debugLog);
  ~TMainController() override;

  TRS232Channel* Channel() const { return FChannel.get(); }
  TOpenProtocolDriver* Driver() const { return FDriver.get(); }
  TNGAS* NGAS() const { return FNGAS.get(); }
  TWaitWindow* WaitWindow() const { return FWaitWindow.get(); }
  TWaitWindow2Btn* WaitWindow2Btn() const { return FWaitWindow2Btn.get(); }
  // The archive wait window's bar of the whole read, for an exchange of
  // many records that counts them itself (the history sync).
  TProgressSink* ArchiveProgress() const;
  // The log pages as the driver writes them; the operator clears them here.
  TCrossThreadLog& CommLog() const { return *FCommLog; }
  TCrossThreadLog& DebugLog() const { return *FDebugLog; }

  // Opens the port (again) with the channel's settings, on the link thread;
  // true when it is open. Only while no exchange runs.
  bool OpenChannel();

  // The window's commands by name.
  void SetCommands(std::map<TCommand, TCommandEntry> commands) { FCommands = std::move(commands); }
  // Runs a command when no other one runs. One asked for while an exchange
  // without a wait window runs (a test-mode poll, a mode switch), when the
  // operator's input is not held off, runs right after it; a second one
  // asked for meanwhile is dropped. Any other command asked for while
  // another runs (from a control that a refresh changed, or from another
  // command) is refused.
  void ExecuteCommand(TCommand command);
  // The window asks for this before anything it owns goes: a read under
  // way stops at its next request, nothing waiting runs, the link thread
  // ends (within one request's time-outs) and the port is closed.
  void Stop();

  TBusyState BusyState() const { return FBusyState; }
  bool Idle() const { return FBusyState == TBusyState::Idle; }
  // Marks the program busy for a command; null when another one runs.
  TBusyToken Begin(TBusyState state);
  // Runs action once nothing runs: now when idle, else after the running
  // command, in the order asked.
  void WhenIdle(std::function<void()> action);
  // Idle with nothing left to run after the last command.
  bool Settled() const { return Idle() && FWhenIdle.empty(); }
  // An exchange without a wait window runs: the window takes input.
  bool QuietlyBusy() const { return !Idle() && FQuiet; }

  // Runs operation on the link thread with the wait window asked for, and
  // done with its result after the window is hidden. A port that went away
  // is tried first: before every command, at most once a second for the
  // exchanges without a wait window (the test-mode poll). The caller's token
  // travels in done. An exception from operation hides the window, shows
  // the error box and drops done.
  void Exchange(TWait wait, const QString& caption, std::function<bool(TNGAS&)> operation,
                std::function<void(bool)> done);
  // Runs a step of a command on the window's thread; an exception that
  // leaves it is shown in the error box "Ошибочное действие : ...".
  void Guarded(const std::function<void()>& step);

 signals:
  // The installation answered a request, or did not (emitted on the link
  // thread).
  void RequestFinished(bool answered);
  // The port went away, or opened again.
  void PortStateChanged(bool open);

 private:
  void End();
  void RunWhenIdle();
  void ShowWait(TWait wait, const QString& caption);
  void HideWait(TWait wait);
  void ShowFailure(const QString& what);

  QWidget& FWindow;
  TOperatorDialogs& FDialogs;
  std::unique_ptr<TWaitWindow> FWaitWindow;
  std::unique_ptr<TWaitWindow2Btn> FWaitWindow2Btn;
  std::unique_ptr<TCrossThreadLog> FCommLog;
  std::unique_ptr<TCrossThreadLog> FDebugLog;
  std::unique_ptr<TCrossThreadProgress> FWaitProgress;
  std::unique_ptr<TCrossThreadProgress> FArchiveRecordProgress;
  std::unique_ptr<TCrossThreadProgress> FArchiveProgress;
  std::unique_ptr<TRS232Channel> FChannel;
  std::unique_ptr<TOpenProtocolDriver> FDriver;
  std::unique_ptr<TNGAS> FNGAS;
  // Set on the way out: an archive read under way stops at its next request.
  std::atomic<bool> FStopping{false};
  // What an exception on the link thread said; read after its job is done.
  std::optional<QString> FLinkFailure;

  std::map<TCommand, TCommandEntry> FCommands;
  TBusyState FBusyState = TBusyState::Idle;
  std::deque<std::function<void()>> FWhenIdle;
  bool FWhenIdlePosted = false;
  bool FQuiet = false;
  // A command asked for during a quiet exchange, waiting for its end.
  bool FCommandWaiting = false;
  bool FStopped = false;

  // Last: the thread stops, and a job under way ends, before the objects it
  // uses go.
  TLinkThread FLink;
};
