#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QThread>

#include <functional>

// The thread the serial link lives on. The driver's exchanges block in the
// port's waits for many milliseconds, up to seconds on a long latency
// setting; on this thread they leave the windows free to paint and to answer
// the operator and assistive tools, while the wait windows keep his input
// away from the commands.
//
// What a job and its completion share is handed over through an atomic
// flag as well as through the event queue: the queue's lock lives inside Qt,
// where a race detector cannot see it, and the flag tells the detector what
// the queue already guarantees.
class TLinkThread {
 public:
  TLinkThread();
  ~TLinkThread();
  TLinkThread(const TLinkThread&) = delete;
  TLinkThread& operator=(const TLinkThread&) = delete;

  QThread* Thread() { return &FThread; }

  // Runs job on the link thread and then done with its result on the
  // thread of receiver, through that thread's event loop. The receiver
  // outlives this thread; done is destroyed on the receiver's thread.
  void Post(std::function<bool()> job, QObject* receiver, std::function<void(bool)> done);
  // Runs a short job (opening or closing the port) on the link thread and
  // returns when it is done. The link must be idle: a job posted before it
  // runs first.
  void Run(const std::function<void()>& job);
  // Lets the jobs under way and queued end, then runs last on the link
  // thread and ends it; waits for that until the deadline and is true when
  // the thread has ended. Once ended, the thread runs nothing more.
  bool Stop(QDeadlineTimer deadline, std::function<void()> last = {});

 private:
  QThread FThread;
  // Lives on the link thread: the context its jobs are queued to.
  QObject* FWorker;
  bool FStopAsked = false;
};
