#include "LinkThread.h"

#include <condition_variable>
#include <memory>

void TLinkQueue::Push(std::function<void()> job) {
  // The wake-up is posted under the lock too: the owner's thread takes the
  // lock before it runs the job, so what the posting read of this object
  // (its class, for the call by name) is seen to come before whatever the
  // job does, even when the job ends the thread and deletes this queue.
  const std::lock_guard<std::mutex> lock(FMutex);
  FJobs.push_back(std::move(job));
  QMetaObject::invokeMethod(this, "RunNext", Qt::QueuedConnection);
}

void TLinkQueue::RunNext() {
  std::function<void()> job;
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    if (FJobs.empty()) return;
    job = std::move(FJobs.front());
    FJobs.pop_front();
  }
  job();
}

void TLinkQueue::Clear() {
  std::deque<std::function<void()>> dropped;
  {
    const std::lock_guard<std::mutex> lock(FMutex);
    dropped.swap(FJobs);
  }
}

TLinkThread::TLinkThread() : FWork(new TLinkQueue) {
  FThread.setObjectName(QStringLiteral("link"));
  FWork->moveToThread(&FThread);
  QObject::connect(&FThread, &QThread::finished, FWork, &QObject::deleteLater);
  FThread.start();
}

TLinkThread::~TLinkThread() { Stop(QDeadlineTimer::Forever); }

bool TLinkThread::Stop(QDeadlineTimer deadline, std::function<void()> last) {
  if (!FStopAsked) {
    FStopAsked = true;
    FWork->Push([this, last = std::move(last)]() mutable {
      if (last) last();
      last = nullptr;
      const std::lock_guard<std::mutex> lock(FEndMutex);
      FThread.quit();
    });
  }
  if (!FThread.wait(deadline)) return false;
  // QThread::wait synchronises inside Qt; the thread's last job is seen to
  // have ended through this program's lock.
  { const std::lock_guard<std::mutex> lock(FEndMutex); }
  // Results that came back after the last look at them are not wanted.
  FDone.Clear();
  return true;
}

void TLinkThread::Post(std::function<bool()> job, QObject* receiver, std::function<void(bool)> done) {
  Q_ASSERT(receiver->thread() == FDone.thread());
  FWork->Push([this, job = std::move(job), done = std::move(done)]() mutable {
    const bool result = job();
    FDone.Push([done = std::move(done), result] { done(result); });
  });
}

void TLinkThread::Run(const std::function<void()>& job) {
  std::mutex mutex;
  std::condition_variable finished;
  bool over = false;
  FWork->Push([&] {
    job();
    const std::lock_guard<std::mutex> lock(mutex);
    over = true;
    finished.notify_one();
  });
  std::unique_lock<std::mutex> lock(mutex);
  finished.wait(lock, [&] { return over; });
}
