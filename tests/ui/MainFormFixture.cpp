#include "MainFormFixture.h"

#include "QtSerialPort.h"
#include "StartupPaths.h"
#include "Win1251.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QTabWidget>
#include <QTest>

void MainFormFixture::SetUp() {
  ASSERT_TRUE(FDir.isValid());
  InitStartupPaths(FDir.filePath(QStringLiteral("qev")), FDir.path());
  FServer = std::make_unique<TPtyEmulatorServer>(FEmulator);
  ASSERT_TRUE(FServer->Start());
}

void MainFormFixture::TearDown() {
  FForm.reset();
  FServer->Stop();
}

void MainFormFixture::WriteComPort(const QString& device) {
  const QString port = device.isEmpty() ? FServer->SlavePath() : device;
  // A pseudo-terminal refuses the DTR and RTS line operations.
  WriteFile(QStringLiteral("commport.cfg"), "PortNumber=" + Win1251::FromUnicode(port) +
                                                "\r\n"
                                                "TransferRate=115200 baud\r\n"
                                                "StopBits=1 bit\r\n"
                                                "Paritet=None\r\n"
                                                "LatencyPeriod=Approximately 0.25 second\r\n"
                                                "DTRControl=HandShake\r\n"
                                                "RTSControl=HandShake\r\n"
                                                "WriteTimeOutMultiplier=0\r\n"
                                                "WriteTimeOutConstant=0\r\n");
}

void MainFormFixture::WriteFile(const QString& name, const QByteArray& content) {
  QFile file(FDir.filePath(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
}

QByteArray MainFormFixture::ReadFile(const QString& name) const {
  QFile file(FDir.filePath(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

TMainForm& MainFormFixture::Start(std::unique_ptr<TSerialPort> port) {
  // One window at a time: the port is opened for exclusive use.
  FForm.reset();
  FEmulator.ClearLog();
  if (!port) port = std::make_unique<TQtSerialPort>();
  FForm = std::make_unique<TMainForm>(FDialogs, std::move(port));
  return *FForm;
}

void MainFormFixture::Settle() {
  const TMainController* controller = FForm ? FForm->Controller() : nullptr;
  if (!controller) return;
  EXPECT_TRUE(QTest::qWaitFor([controller] { return controller->Settled(); }, 30000));
  // The log lines and bar positions sent before the end have arrived too.
  QCoreApplication::processEvents();
}

TEmulatorConfig MainFormFixture::EmulatorConfig() {
  TEmulatorConfig config;
  config.Clock = [this] {
    const qint64 stopped = FStoppedClockMs.load();
    return stopped != 0 ? QDateTime::fromMSecsSinceEpoch(stopped) : QDateTime::currentDateTime();
  };
  return config;
}

TMainForm& MainFormFixture::StartConnected() {
  WriteComPort();
  TMainForm& form = Start();
  form.ApplyAccessRights("1-1;1-2;1-3;1-4;1-5;1-6;1-7;2-1;2-2;3;4;5;");
  return form;
}

QAction* MainFormFixture::Action(const char* name) const { return Child<QAction>(name); }

namespace {

QStringList Sheets(const char* control) {
  if (qstrcmp(control, "MainPageControl") == 0)
    return {"SettingsSheet", "SpectrSheet", "ArchiveSheet", "TerminalSheet", "DumpSheet"};
  if (qstrcmp(control, "Page1PageControl") == 0)
    return {"CommonSheet", "MeasureSheet", "CounterSheet", "PumpSheet", "TestSheet", "ServiceSheet", "NetSheet"};
  return {"MainSpectrSheet", "BkSpectrSheet"};
}

}  // namespace

QString MainFormFixture::ShownPages(const char* control) const {
  const auto* tabs = Child<QTabWidget>(control);
  QString shown;
  for (const QString& sheet : Sheets(control)) {
    const int index = tabs->indexOf(tabs->findChild<QWidget*>(sheet));
    shown += index >= 0 && tabs->isTabVisible(index) ? '1' : '0';
  }
  return shown;
}

QByteArrayList MainFormFixture::TakeRequests() {
  const QByteArrayList requests = FEmulator.RequestLog();
  FEmulator.ClearLog();
  return requests;
}

QStringList MainFormFixture::Names(const QByteArrayList& requests) {
  QStringList names;
  for (const QByteArray& request : requests) names << QString::fromLatin1(request.left(request.indexOf('=')));
  return names;
}

QByteArray MainFormFixture::Variable(const QByteArray& name) { return FEmulator.Variable(name).value_or("?"); }

QStringList MainFormFixture::LogLines(const char* page) const {
  QStringList lines;
  const QAbstractItemModel* model = Child<QListView>(page)->model();
  for (int row = 0; row < model->rowCount(); ++row) lines << model->index(row, 0).data().toString();
  return lines;
}
