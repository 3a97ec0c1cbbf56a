#pragma once

#include "AerosolMain.h"
#include "InstallationEmulator.h"
#include "PtyEmulatorServer.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class QAction;
class TSerialPort;

// The main window as the operator meets it, talking through the production
// serial port to the installation emulator on a pseudo-terminal. Program
// folder and working folder are a fresh temporary folder, so commport.cfg,
// qev.dtf and qev.pwd are there only when a test writes them.
class MainFormFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // commport.cfg for the emulator's terminal (or another device path).
  void WriteComPort(const QString& device = {});
  void WriteFile(const QString& name, const QByteArray& content);
  QByteArray ReadFile(const QString& name) const;
  // The production port unless the test brings its own.
  TMainForm& Start(std::unique_ptr<TSerialPort> port = nullptr);

  QAction* Action(const char* name) const;
  template <typename T>
  T* Child(const char* name) const {
    T* child = FForm->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // The texts of the requests the emulator got since the last call.
  QByteArrayList TakeRequests();
  QByteArray Variable(const QByteArray& name);

  // A name of its own: the default one follows the application name, which
  // the window sets to its Cyrillic title.
  QTemporaryDir FDir{QDir::tempPath() + QStringLiteral("/qev-ui-XXXXXX")};
  TInstallationEmulator FEmulator;
  std::unique_ptr<TPtyEmulatorServer> FServer;
  TScriptedDialogs FDialogs;
  std::unique_ptr<TMainForm> FForm;
};
