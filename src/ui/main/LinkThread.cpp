#include "LinkThread.h"

TLinkThread::TLinkThread() : FWorker(new QObject) {
  FThread.setObjectName(QStringLiteral("link"));
  FWorker->moveToThread(&FThread);
  QObject::connect(&FThread, &QThread::finished, FWorker, &QObject::deleteLater);
  FThread.start();
}

TLinkThread::~TLinkThread() {
  // A job under way runs to its end; what is still queued is dropped.
  FThread.quit();
  FThread.wait();
}

void TLinkThread::Post(std::function<bool()> job, QObject* receiver, std::function<void(bool)> done) {
  QMetaObject::invokeMethod(
      FWorker,
      [job = std::move(job), receiver, done = std::move(done)]() mutable {
        const bool result = job();
        QMetaObject::invokeMethod(
            receiver, [done = std::move(done), result] { done(result); }, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void TLinkThread::Run(const std::function<void()>& job) {
  QMetaObject::invokeMethod(FWorker, job, Qt::BlockingQueuedConnection);
}
