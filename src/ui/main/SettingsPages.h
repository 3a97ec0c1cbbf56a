#pragma once

#include "MainCommands.h"

#include <QObject>

#include <array>
#include <functional>
#include <vector>

namespace Ui {
class TMainForm;
}
class QDate;
class QLabel;
class QTime;
class QWidget;
class TMainController;
class TOPVarList;

// The settings sub-pages of the main window and their binding to the
// device model's variable groups: which control shows which variable, the
// refreshes that fill the controls after every exchange, and the one change
// handler that puts the operator's edits back into the variables or asks for
// a write at once.
class TSettingsPages : public QObject {
  Q_OBJECT

 public:
  // What a page asks of the window: a command to run, and a click on one of
  // the test page's actuator buttons (a bit of TEST).
  using TExecute = std::function<void(TCommand)>;
  using TTestBitClick = std::function<void(int bit)>;

  // The controls are the window's; the controller's device model holds the
  // variables. Paints the panels as they are before the first read.
  TSettingsPages(QWidget& window, Ui::TMainForm& ui, TMainController& controller, TExecute execute,
                 TTestBitClick testBitClick);

  void RefreshCommonPage();
  void RefreshMeasurePage();
  void RefreshCounterPage();
  void RefreshPumpPage();
  void RefreshTestPage();
  void RefreshServicePage();
  void RefreshNetPage();

  // The date and time pickers of the common page at the PC's clock.
  void SetPickersToPcClock();

 private:
  // A control showing the text of one variable as the installation sent it.
  struct TTextBinding {
    QWidget* Control;
    TOPVarList* Group;
    int Position;
  };
  using TTextBindings = std::vector<TTextBinding>;

  void BindPageTexts();
  void ConnectPageControls();
  std::array<const TTextBindings*, 7> PageTexts() const;
  void ShowTexts(const TTextBindings& bindings);

  // The one change handler of the settings pages.
  void AnyDataChanged(QObject* control);

  // The panels' colours before the first read: the read-outs (marked
  // valuePanel in the form) in their colours, every actuator off, every unit
  // OK, every lamp dark.
  void PaintPanels();
  static void ShowOnOffState(bool state, QLabel* panel);
  static void ShowFaultState(bool fault, QLabel* panel);
  void ShowAlarmIndicator(const QByteArray& value);
  QByteArray ReplaceDatePart(const QByteArray& text, const QDate& date);
  QByteArray ReplaceTimePart(const QByteArray& text, const QTime& time);
  QByteArray PickersDateTime() const;
  void ShowDeviceDateTime(const QByteArray& text);

  QWidget& FWindow;
  Ui::TMainForm& FUi;
  TMainController& FController;
  TExecute FExecute;
  TTestBitClick FTestBitClick;
  // Refreshes set the controls by program, which fires their change
  // handlers; while one runs, those handlers leave the variables alone.
  int FRefreshing = 0;

  TTextBindings FCommonTexts;
  TTextBindings FMeasureTexts;
  TTextBindings FCounterTexts;
  TTextBindings FPumpTexts;
  TTextBindings FTestTexts;
  TTextBindings FServiceTexts;
  TTextBindings FNetTexts;
};
