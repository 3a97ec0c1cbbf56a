#include "LinkThread.h"

#include <atomic>
#include <memory>

namespace {

// Published by the side that hands over, taken by the side that receives:
// a release and an acquire the race detector sees.
class THandOff {
 public:
  void Publish() { FDone.store(true, std::memory_order_release); }
  void Take() const { (void)FDone.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> FDone{false};
};

}  // namespace

TLinkThread::TLinkThread() : FWorker(new QObject) {
  FThread.setObjectName(QStringLiteral("link"));
  FWorker->moveToThread(&FThread);
  QObject::connect(&FThread, &QThread::finished, FWorker, &QObject::deleteLater);
  FThread.start();
}

TLinkThread::~TLinkThread() { Stop(QDeadlineTimer::Forever); }

bool TLinkThread::Stop(QDeadlineTimer deadline, std::function<void()> last) {
  if (!FStopAsked) {
    FStopAsked = true;
    QMetaObject::invokeMethod(
        FWorker,
        [this, last = std::move(last)] {
          if (last) last();
          FThread.quit();
        },
        Qt::QueuedConnection);
  }
  return FThread.wait(deadline);
}

void TLinkThread::Post(std::function<bool()> job, QObject* receiver, std::function<void(bool)> done) {
  auto there = std::make_shared<THandOff>();
  auto back = std::make_shared<THandOff>();
  there->Publish();
  QMetaObject::invokeMethod(
      FWorker,
      [job = std::move(job), receiver, done = std::move(done), there, back]() mutable {
        there->Take();
        const bool result = job();
        back->Publish();
        QMetaObject::invokeMethod(
            receiver,
            [done = std::move(done), result, back] {
              back->Take();
              done(result);
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void TLinkThread::Run(const std::function<void()>& job) {
  auto there = std::make_shared<THandOff>();
  auto back = std::make_shared<THandOff>();
  there->Publish();
  QMetaObject::invokeMethod(
      FWorker,
      [&job, there, back] {
        there->Take();
        job();
        back->Publish();
      },
      Qt::BlockingQueuedConnection);
  back->Take();
}
