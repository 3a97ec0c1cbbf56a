#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QThread>

#include <deque>
#include <functional>
#include <mutex>

// Runs the jobs queued to it on the thread it lives on, one at a time.
class TLinkQueue : public QObject {
  Q_OBJECT

 public:
  // Called on any thread: queues the job and wakes the owner's thread, where
  // the jobs run in the order they came.
  void Push(std::function<void()> job);
  Q_INVOKABLE void RunNext();
  // Drops what has not run; on the owner's thread.
  void Clear();

 private:
  std::mutex FMutex;
  std::deque<std::function<void()>> FJobs;
};

// The thread the serial link lives on. The driver's exchanges block in the
// port's waits for many milliseconds, up to seconds on a long latency
// setting; on this thread they leave the windows free to paint and to answer
// the operator and assistive tools, while the wait windows keep his input
// away from the commands.
//
// Jobs and their results cross the threads through queues behind a mutex of
// this program, and each thread is woken by a queued call without
// arguments: what the two threads share is handed over where a race
// detector sees it, not only inside Qt's event queue.
class TLinkThread {
 public:
  TLinkThread();
  ~TLinkThread();
  TLinkThread(const TLinkThread&) = delete;
  TLinkThread& operator=(const TLinkThread&) = delete;

  QThread* Thread() { return &FThread; }

  // Runs job on the link thread and then done with its result on the
  // thread that created this one (receiver's), through that thread's event
  // loop. The receiver outlives this thread; done is destroyed on the
  // receiver's thread.
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
  // Lives on the link thread.
  TLinkQueue* FWork;
  // Lives on the thread that created this one: the completions.
  TLinkQueue FDone;
  bool FStopAsked = false;
  // Taken by the thread's last job and by Stop once the thread has ended.
  std::mutex FEndMutex;
};
