#include "ComResourceSetupEng.h"
#include "ComSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QStringList kLatencies = {"Immediately answer",
                                "25 millisecond",
                                "50 millisecond",
                                "75 millisecond",
                                "100 millisecond",
                                "125 millisecond",
                                "Approximately 0.25 second",
                                "Approximately 0.5 second",
                                "Approximately 0.75 second",
                                "Approximately 1.25 seconds",
                                "Approximately 2.5 seconds",
                                "Approximately 5 seconds",
                                "Approximately 7.5 seconds",
                                "Approximately 10 seconds",
                                "Approximately 12.5 seconds",
                                "Approximately 15 seconds",
                                "Approximately 17.5 seconds",
                                "Approximately 20 seconds"};

const QStringList kSpeeds = {"75 baud",    "110 baud",   "134 baud",   "150 baud",   "300 baud",   "600 baud",
                             "1200 baud",  "1800 baud",  "2400 baud",  "4800 baud",  "7200 baud",  "9600 baud",
                             "14400 baud", "19200 baud", "38400 baud", "57600 baud", "115200 baud"};

const QStringList kLineControls = {"Disable", "Enable", "HandShake"};

QStringList Items(const QComboBox* box, int count) {
  QStringList items;
  for (int i = 0; i < count && i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// Runs action once the modal loop shows the dialog.
void WhenShown(QDialog& dialog, std::function<void()> action) {
  auto* poll = new QTimer(&dialog);
  QObject::connect(poll, &QTimer::timeout, &dialog, [&dialog, poll, action] {
    if (!dialog.isVisible()) return;
    poll->stop();
    poll->deleteLater();
    action();
  });
  poll->start(10);
}

class ComPropertiesDialogTest : public testing::Test {
 protected:
  template <typename T>
  T* Child(const char* name) {
    T* child = FDialog.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QComboBox* Box(const char* name) { return Child<QComboBox>(name); }

  TComPropertiesDialog FDialog;
};

TEST_F(ComPropertiesDialogTest, WindowIsAFixedAlwaysOnTopDialogWithoutTitleButtons) {
  EXPECT_EQ(FDialog.windowTitle(), "Communication channel");
  EXPECT_EQ(FDialog.minimumSize(), QSize(260, 225));
  EXPECT_EQ(FDialog.maximumSize(), QSize(260, 225));
  const Qt::WindowFlags flags = FDialog.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(FDialog.windowIcon().isNull()) << "the dialog carries its own icon";
  EXPECT_NE(FDialog.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

// The arrow keys go on from the value shown, wherever it is in the list; a
// typed text that is no item stays as it was typed.
TEST_F(ComPropertiesDialogTest, AShownValueIsTheCurrentItemSoTheArrowKeysGoOnFromIt) {
  TComSettings settings;
  settings.SetPortNumber("COM3");
  settings.SetTransferRate("9600 baud");
  settings.SetLatencyPeriod("Approximately 20 seconds");
  FDialog.ShowValues(settings);
  const struct {
    const char* Box;
    const char* Shown;
    Qt::Key Key;
    const char* After;
  } rows[] = {{"PortNumCBox", "COM3", Qt::Key_Up, "COM2"},
              {"SpeedCBox", "9600 baud", Qt::Key_Down, "14400 baud"},
              {"PeriodCBox", "Approximately 20 seconds", Qt::Key_Up, "Approximately 17.5 seconds"},
              {"ParitetCBox", "None", Qt::Key_Down, "Even"}};
  for (const auto& row : rows) {
    QComboBox* box = Box(row.Box);
    EXPECT_EQ(box->itemText(box->currentIndex()), row.Shown) << row.Box;
    QTest::keyClick(box, row.Key);
    EXPECT_EQ(box->currentText(), row.After) << row.Box;
  }

  settings.SetPortNumber("/dev/ttyUSB0");
  FDialog.ShowValues(settings);
  EXPECT_EQ(Box("PortNumCBox")->currentText(), "/dev/ttyUSB0");
}

TEST_F(ComPropertiesDialogTest, ControlsHaveTheirPlacesCaptionsItemsAndStartValues) {
  const struct {
    const char* Box;
    const char* Label;
    const char* Caption;
    QPoint LabelAt;
    QRect Place;  // height not fixed by the form
    QStringList Items;
    const char* Start;
  } rows[] = {
      {"PortNumCBox",
       "PortNumLabel",
       "COM-port",
       {7, 7},
       {7, 20, 111, 0},
       {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"},
       "COM1"},
      {"SpeedCBox", "SpeedLabel", "Speed", {143, 7}, {143, 20, 111, 0}, kSpeeds, "9600 baud"},
      {"StopBitCBox", "StopBitLabel", "Stop bits", {7, 52}, {7, 65, 111, 0}, {"1 bit", "1.5 bit", "2 bit"}, "1 bit"},
      {"ParitetCBox",
       "ParitetLabel",
       "Parity",
       {143, 52},
       {143, 65, 111, 0},
       {"None", "Even", "Odd", "Mark", "Space"},
       "None"},
      {"PeriodCBox", "PeriodLabel", "Latency time", {7, 94}, {7, 107, 247, 0}, kLatencies, "Approximately 0.25 second"},
      {"DTRcontrolCBox", "DTRcontrolLabel", "DTR", {7, 140}, {7, 153, 111, 0}, kLineControls, "Disable"},
      {"RTScontrolCBox", "RTScontrolLabel", "RTS", {143, 140}, {143, 153, 111, 0}, kLineControls, "Disable"},
  };
  for (const auto& row : rows) {
    const QComboBox* box = Box(row.Box);
    const QLabel* label = Child<QLabel>(row.Label);
    if (box == nullptr || label == nullptr) continue;
    EXPECT_EQ(label->text(), row.Caption);
    EXPECT_EQ(label->pos(), row.LabelAt) << row.Label;
    EXPECT_EQ(box->pos(), row.Place.topLeft()) << row.Box;
    EXPECT_EQ(box->width(), row.Place.width()) << row.Box;
    EXPECT_TRUE(box->isEditable()) << row.Box;
    // The port box may add the system's own ports after the nine.
    EXPECT_EQ(Items(box, static_cast<int>(row.Items.size())), row.Items) << row.Box;
    if (box != Box("PortNumCBox")) {
      EXPECT_EQ(box->count(), row.Items.size()) << row.Box;
    }
    EXPECT_EQ(box->currentText(), row.Start) << row.Box;
  }

  const struct {
    const char* Name;
    const char* Caption;
    QRect Place;
    bool Default;
  } buttons[] = {{"btOK", "OK", {7, 192, 82, 27}, true}, {"btCancel", "Cancel", {107, 192, 147, 27}, false}};
  for (const auto& row : buttons) {
    const QPushButton* button = Child<QPushButton>(row.Name);
    if (button == nullptr) continue;
    EXPECT_EQ(button->text(), row.Caption);
    EXPECT_EQ(button->geometry(), row.Place) << row.Name;
    EXPECT_EQ(button->isDefault(), row.Default) << row.Name;
  }
}

TEST_F(ComPropertiesDialogTest, TabGoesThroughTheControlsInFormOrder) {
  const QStringList order = {"PortNumCBox", "SpeedCBox",  "btOK",           "btCancel",      "StopBitCBox",
                             "ParitetCBox", "PeriodCBox", "DTRcontrolCBox", "RTScontrolCBox"};
  QStringList chain;
  QWidget* widget = Box("PortNumCBox");
  while (widget != nullptr && chain.size() < order.size()) {
    // An editable box has its line edit in the chain as well.
    if (order.contains(widget->objectName()) && (chain.isEmpty() || chain.last() != widget->objectName()))
      chain << widget->objectName();
    widget = widget->nextInFocusChain();
    if (widget == Box("PortNumCBox")) break;
  }
  EXPECT_EQ(chain, order);
}

TEST_F(ComPropertiesDialogTest, ShowsTheSettingsWithOkFocusedAndTakesTypedTextsOnEnter) {
  TComSettings settings;
  settings.SetTransferRate("4800 baud");
  settings.SetDTRControl("HandShake");
  settings.SetWriteTimeoutConstant(25);
  QWidget* focused = nullptr;
  QString shownSpeed;
  WhenShown(FDialog, [&] {
    focused = FDialog.focusWidget();
    shownSpeed = Box("SpeedCBox")->currentText();
    Box("PortNumCBox")->lineEdit()->clear();
    QTest::keyClicks(Box("PortNumCBox")->lineEdit(), "/dev/pts/7");
    Box("ParitetCBox")->setCurrentText(QString::fromUtf8("Чёт"));
    // Enter while typing presses the default button, OK.
    QTest::keyClick(Box("PortNumCBox")->lineEdit(), Qt::Key_Return);
  });
  FDialog.ShowValues(settings);
  ASSERT_EQ(FDialog.exec(), QDialog::Accepted);
  FDialog.TakeValues(settings);
  EXPECT_EQ(focused, Child<QPushButton>("btOK"));
  EXPECT_EQ(shownSpeed, "4800 baud");
  EXPECT_EQ(settings.PortNumber(), "/dev/pts/7");
  EXPECT_EQ(settings.Paritet(), "\xD7\xB8\xF2");  // Windows-1251
  EXPECT_EQ(settings.TransferRate(), "4800 baud");
  EXPECT_EQ(settings.DTRControl(), "HandShake");
  EXPECT_EQ(settings.WriteTimeoutConstant(), 25);
}

// What a cancelled dialog held is not kept: the channel restores its
// settings itself, and the next edit shows them again.
TEST_F(ComPropertiesDialogTest, CancelOrEscRejectsAndTheNextEditShowsTheSettingsAgain) {
  const std::function<void()> closers[] = {
      [this] { QTest::mouseClick(Child<QPushButton>("btCancel"), Qt::LeftButton); },
      [this] { QTest::keyClick(&FDialog, Qt::Key_Escape); },
      // Esc while typing in a box cancels as well.
      [this] { QTest::keyClick(Box("SpeedCBox")->lineEdit(), Qt::Key_Escape); },
  };
  TComSettings settings;
  settings.SetTransferRate("2400 baud");
  for (const auto& close : closers) {
    FDialog.ShowValues(settings);
    WhenShown(FDialog, [&] {
      Box("SpeedCBox")->setCurrentText("300 baud");
      Box("PortNumCBox")->setCurrentText("COM5");
      Box("SpeedCBox")->setFocus();
      close();
    });
    EXPECT_EQ(FDialog.exec(), QDialog::Rejected);
    FDialog.ShowValues(settings);
    EXPECT_EQ(Box("SpeedCBox")->currentText(), "2400 baud");
    EXPECT_EQ(Box("PortNumCBox")->currentText(), "COM1");
  }
}

}  // namespace
