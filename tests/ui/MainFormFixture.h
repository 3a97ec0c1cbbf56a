#pragma once

#include "AerosolMain.h"
#include "InstallationEmulator.h"
#include "PtyEmulatorServer.h"
#include "ScriptedDialogs.h"

#include <QDateTime>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
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

  // Runs the event loop until the window's last command, and what it left
  // to run after it, are done: the exchanges run on the link thread.
  void Settle();

  // The window against the emulator, every page reachable.
  TMainForm& StartConnected();
  void FailEveryRequest() { FEmulator.SetFaults({TFaultKind::NoAnswer, 0, 0, 0}); }
  void AnswerEveryRequest() { FEmulator.SetFaults({}); }

  QAction* Action(const char* name) const;
  QTabWidget* SettingsPages() const { return Child<QTabWidget>("Page1PageControl"); }
  // The pages of a page control (by its name) in the order of the page tree,
  // whatever tabs are shown: "1100000" where a page has a tab.
  QString ShownPages(const char* control) const;
  QString CurrentSheet(const char* control) const { return Child<QTabWidget>(control)->currentWidget()->objectName(); }
  template <typename T>
  T* Child(const char* name) const {
    T* child = FForm->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // The lines of a log page (by its name) as it shows them.
  QStringList LogLines(const char* page) const;
  // The texts of the requests the emulator got since the last call.
  QByteArrayList TakeRequests();
  // The variable names of requests.
  static QStringList Names(const QByteArrayList& requests);
  QByteArray Variable(const QByteArray& name);
  // Stops the emulated controller's clock at a moment, so that its DATETIME
  // reads back exactly as it was set.
  void StopEmulatorClock(const QDateTime& at) { FStoppedClockMs = at.toMSecsSinceEpoch(); }

  TEmulatorConfig EmulatorConfig();

  // A name of its own: the default one follows the application name, which
  // the window sets to its Cyrillic title.
  QTemporaryDir FDir{QDir::tempPath() + QStringLiteral("/qev-ui-XXXXXX")};
  // The emulator answers on its own thread and asks its clock there.
  std::atomic<qint64> FStoppedClockMs{0};
  TInstallationEmulator FEmulator{EmulatorConfig()};
  std::unique_ptr<TPtyEmulatorServer> FServer;
  TScriptedDialogs FDialogs;
  std::unique_ptr<TMainForm> FForm;
};
