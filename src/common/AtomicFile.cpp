#include "AtomicFile.h"

#include <QSaveFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Pushes what the system holds for the file out to the disk; a full disk
// can first show itself here.
bool SyncToDisk(int handle) {
#ifdef Q_OS_WIN
  return _commit(handle) == 0;
#else
  return ::fsync(handle) == 0;
#endif
}

}  // namespace

bool SaveFileAtomically(const QString& fileName, const QByteArray& bytes) {
  QSaveFile file(fileName);
  // Unbuffered, so that a full disk fails the write itself and not a flush
  // that the commit would not report.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const bool written = file.write(bytes) == bytes.size() && file.flush() && SyncToDisk(file.handle()) &&
                       file.error() == QFileDevice::NoError;
  if (!written) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
