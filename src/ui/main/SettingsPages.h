#pragma once

#include "MainCommands.h"
#include "SessionState.h"

#include <QObject>

#include <array>
#include <functional>
#include <vector>

namespace Ui {
class TMainForm;
}
class QDate;
class QDateTime;
class QLabel;
class QTime;
class QWidget;
class QAbstractButton;
class TMainController;
class TNGAS;
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
  // variables, the session whether they came from the installation. Paints
  // the panels as they are before the first read.
  TSettingsPages(QWidget& window, Ui::TMainForm& ui, TMainController& controller, TSessionState& session,
                 TExecute execute, TTestBitClick testBitClick);

  // The variable list of a group in the device model.
  static TOPVarList& GroupList(TNGAS& ngas, TSettingsGroup group);
  // The groups a settings sub-page shows and its read brings.
  static std::vector<TSettingsGroup> PageGroups(int page);
  // Enables the controls that write at once by the state of their group
  // and the mode.
  void UpdateWritingControls();

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
    TOPVarList& (TNGAS::*List)();
    TSettingsGroup Group;
    int Position;
  };
  using TTextBindings = std::vector<TTextBinding>;

  void BindPageTexts();
  void ConnectPageControls();
  std::array<const TTextBindings*, 7> PageTexts() const;
  void ShowTexts(const TTextBindings& bindings);
  // An old value (not come with the last read of its group) muted, with
  // the time it was read in its tooltip.
  void ShowAge(QWidget* control, bool old, const QDateTime& read);

  // The one change handler of the settings pages.
  void AnyDataChanged(QObject* control);
  // A radio button toggled: by a click (which follows at once, and acts),
  // or by an assistive tool, which toggles without a click.
  void RadioToggled(QAbstractButton* button, QObject* control, bool checked);
  void RadioClicked(QAbstractButton* button, QObject* control);

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
  TSessionState& FSession;
  TExecute FExecute;
  TTestBitClick FTestBitClick;
  // Refreshes set the controls by program, which fires their change
  // handlers; while one runs, those handlers leave the variables alone.
  int FRefreshing = 0;
  // The radio button whose toggle has acted, until the click that may
  // follow it in the same event.
  QAbstractButton* FToggled = nullptr;

  TTextBindings FCommonTexts;
  TTextBindings FMeasureTexts;
  TTextBindings FCounterTexts;
  TTextBindings FPumpTexts;
  TTextBindings FTestTexts;
  TTextBindings FServiceTexts;
  TTextBindings FNetTexts;
};
