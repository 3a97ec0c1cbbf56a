#include <QCoreApplication>

#include <gtest/gtest.h>

// Tests of the core layers run with a core application, as the
// command-line tools do.
int main(int argc, char* argv[]) {
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
