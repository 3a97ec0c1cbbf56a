#include "AtomicFile.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Content(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A small file system of its own, so that a disk can be filled without
// touching any other. Mounting needs root (CI runs as root).
class TSmallDisk {
 public:
  explicit TSmallDisk(const QString& path) : FPath(QFile::encodeName(path)) {
    FMounted = ::mount("tmpfs", FPath.constData(), "tmpfs", 0, "size=64k") == 0;
    if (!FMounted) FError = std::strerror(errno);
  }
  ~TSmallDisk() {
    if (FMounted) ::umount2(FPath.constData(), MNT_DETACH);
  }
  bool Mounted() const { return FMounted; }
  const char* Error() const { return FError; }

 private:
  QByteArray FPath;
  bool FMounted = false;
  const char* FError = "";
};

}  // namespace

TEST(AtomicFile, AFullDiskFailsTheSaveAndKeepsThePreviousFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TSmallDisk disk(dir.path());
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (" << disk.Error() << "); needs root";

  const QString saved = dir.filePath("archive.daf");
  const QByteArray previous(3000, 'p');
  ASSERT_TRUE(SaveFileAtomically(saved, previous));
  // Fill the disk up to the last few bytes.
  {
    QFile filler(dir.filePath("filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(1024, 'f');
    while (filler.write(block) == block.size()) {
    }
    filler.close();
  }
  // Saves of every size that the program makes: a short qev.dtf, a
  // spectrum, a CSV table, a long archive.
  for (const int size : {8, 4608, 20000, 200000}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(SaveFileAtomically(saved, QByteArray(size, 'n')));
    EXPECT_EQ(Content(saved), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"archive.daf", "filler"}));
  }
  // With room again the save goes through.
  QFile::remove(dir.filePath("filler"));
  EXPECT_TRUE(SaveFileAtomically(saved, "new"));
  EXPECT_EQ(Content(saved), "new");
}

TEST(RegularFile, OnlyRegularFilesWithinTheLimitAreRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("qev.dtf");
  ASSERT_TRUE(SaveFileAtomically(file, "10\r\n1\r\n"));
  const QString link = dir.filePath("link.dtf");
  ASSERT_TRUE(QFile::link(file, link));
  const QString zero = dir.filePath("zero.daf");
  ASSERT_TRUE(QFile::link("/dev/zero", zero));
  const QString pipe = dir.filePath("pipe.daf");
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);

  EXPECT_EQ(ReadRegularFile(file, 7), QByteArray("10\r\n1\r\n"));
  EXPECT_EQ(ReadRegularFile(link, 7), QByteArray("10\r\n1\r\n"));
  EXPECT_EQ(ReadRegularFile(file, 6), std::nullopt);
  EXPECT_EQ(ReadRegularFile(zero, 1 << 20), std::nullopt);
  EXPECT_EQ(ReadRegularFile(pipe, 1 << 20), std::nullopt);  // would wait for a writer
  EXPECT_EQ(ReadRegularFile(dir.path(), 1 << 20), std::nullopt);
  EXPECT_EQ(ReadRegularFile(dir.filePath("missing"), 1 << 20), std::nullopt);
  EXPECT_EQ(ReadRegularFile("/dev/null", 1 << 20), std::nullopt);
}
