#include "ArchiveTemplate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

// The operator may pick any file named *.ash. Only a regular file is a
// template: a pipe would hold the window until something wrote to it, and a
// device is no file at all. Each load runs beside the test; should one wait
// on the pipe, a writer opened without waiting lets it go, so that the test
// fails instead of hanging.
TEST(ArchiveTemplate, OnlyARegularFileIsLoadedAndAPipeIsRefusedAtOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const TArchiveTemplate chosen{5, 10, 40, {"SUMALPHA", "RADON"}};
  ASSERT_TRUE(chosen.Save(dir.filePath("chosen.ash")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.ash")).constData(), 0600), 0);
  ASSERT_TRUE(QFile::link("/dev/null", dir.filePath("null.ash")));
  ASSERT_TRUE(QFile::link("/dev/zero", dir.filePath("zero.ash")));
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ash"));

  for (const char* name : {"pipe.ash", "null.ash", "zero.ash", "folder.ash", "missing.ash", "chosen.ash"}) {
    const QString path = dir.filePath(name);
    auto loading = std::async(std::launch::async, [path] { return TArchiveTemplate::Load(path, 250); });
    if (loading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
      ADD_FAILURE() << name << " held the caller";
      const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
    }
    const std::optional<TArchiveTemplate> loaded = loading.get();
    if (QByteArray(name) != "chosen.ash") {
      EXPECT_FALSE(loaded) << name;
      continue;
    }
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->ToBytes(), "5\r\n10\r\n40\r\nSUMALPHA\r\nRADON\r\n");
  }
}
