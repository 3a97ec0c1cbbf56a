// The settings sub-pages: which control shows which variable, the refreshes
// that fill the controls after every exchange, and the one change handler
// that puts the operator's edits back into the variables or writes at once.

#include "SettingsPages.h"

#include "DeviceCatalogue.h"
#include "DeviceValues.h"
#include "MainController.h"
#include "NGAS.h"
#include "PageColours.h"
#include "TextUtils.h"
#include "Win1251.h"
#include "WireTextValidator.h"
#include "ui_AerosolMain.h"

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QRadioButton>
#include <QTime>
#include <QTimer>

#include <array>

namespace {

using DeviceValues::TAlarmColour;
using DeviceValues::TStatusFault;

void Paint(QLabel* panel, const QColor& colour, const QColor& text = PageColours::kIndicatorText) {
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  palette.setColor(QPalette::WindowText, text);
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
}

// A group of two choices, "Вкл" and "Выкл"; a value the installation does
// not define selects neither.
void ShowChoice(QRadioButton* on, QRadioButton* off, std::optional<bool> state) {
  if (state) {
    (*state ? on : off)->setChecked(true);
    return;
  }
  // Exclusive buttons cannot be cleared all at once while they stay exclusive.
  for (QRadioButton* button : {on, off}) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
}

QByteArray ValueAt(const TOPVarList& group, int position) {
  const TOPVarListItem* item = group.GetItem(position);
  return item ? item->Value : QByteArray();
}

class TRefreshScope {
 public:
  explicit TRefreshScope(int& depth) : FDepth(depth) { ++FDepth; }
  ~TRefreshScope() { --FDepth; }
  TRefreshScope(const TRefreshScope&) = delete;
  TRefreshScope& operator=(const TRefreshScope&) = delete;

 private:
  int& FDepth;
};

}  // namespace

TSettingsPages::TSettingsPages(QWidget& window, Ui::TMainForm& ui, TMainController& controller, TSessionState& session,
                               TExecute execute, TTestBitClick testBitClick)
    : FWindow(window),
      FUi(ui),
      FController(controller),
      FSession(session),
      FExecute(std::move(execute)),
      FTestBitClick(std::move(testBitClick)) {
  PaintPanels();
  BindPageTexts();
  ConnectPageControls();
  connect(&session, &TSessionState::GroupChanged, this, &TSettingsPages::UpdateWritingControls);
  connect(&session, &TSessionState::ModeChanged, this, &TSettingsPages::UpdateWritingControls);
  UpdateWritingControls();
}

TOPVarList& TSettingsPages::GroupList(TNGAS& ngas, TSettingsGroup group) {
  switch (group) {
    case TSettingsGroup::Common:
      return ngas.CommonVarList();
    case TSettingsGroup::AlarmBlock:
      return ngas.AlarmBlockVarList();
    case TSettingsGroup::Measure:
      return ngas.MeasureVarList();
    case TSettingsGroup::Counter:
      return ngas.CounterVarList();
    case TSettingsGroup::Pump:
      return ngas.PumpVarList();
    case TSettingsGroup::Test:
      return ngas.TestVarList();
    case TSettingsGroup::Service:
      return ngas.ServiceVarList();
    case TSettingsGroup::Net:
      break;
  }
  return ngas.NetVarList();
}

std::vector<TSettingsGroup> TSettingsPages::PageGroups(int page) {
  using G = TSettingsGroup;
  static const std::array<std::vector<TSettingsGroup>, 7> kPages = {{
      {G::Common, G::AlarmBlock},
      {G::Measure},
      {G::Counter},
      {G::Pump},
      {G::Test},
      {G::Service},
      {G::Net},
  }};
  if (page < 0 || page >= static_cast<int>(kPages.size())) return {};
  return kPages[static_cast<size_t>(page)];
}

void TSettingsPages::UpdateWritingControls() {
  Ui::TMainForm& ui = FUi;
  // A control that writes its group at once sends every value of the group:
  // only values the installation gave (or the operator typed over them) may
  // go back, never the empty ones of a group not read.
  const bool alarm = FSession.HasDeviceValues(TSettingsGroup::AlarmBlock);
  for (QWidget* control : std::initializer_list<QWidget*>{ui.SireneBtn, ui.BASIndRB1, ui.BASIndRB2, ui.BASIndRB3})
    control->setEnabled(alarm);
  const bool common = FSession.HasDeviceValues(TSettingsGroup::Common);
  for (QWidget* control : std::initializer_list<QWidget*>{ui.DryContactOUTOn, ui.DryContactOUTOff, ui.SynchroBtn})
    control->setEnabled(common);
  // The actuators drive the installation by hand: only in test mode.
  const bool test = FSession.Mode() == TTestMode::Test && FSession.HasDeviceValues(TSettingsGroup::Test);
  for (QWidget* control : std::initializer_list<QWidget*>{ui.PumpBtn, ui.TapeBtn, ui.ActCalculateBtn})
    control->setEnabled(test);
}

void TSettingsPages::BindPageTexts() {
  Ui::TMainForm& ui = FUi;
  using G = TSettingsGroup;
  const auto common = &TNGAS::CommonVarList;
  FCommonTexts = {
      {ui.NumPanel, common, G::Common, CommonVar::SERIALN},
      {ui.ResourcePanel, common, G::Common, CommonVar::RESOURCE},
      {ui.DCLevelEdit, common, G::Common, CommonVar::ADRYCONTACTTHR},
      {ui.DCLevelBetaEdit, common, G::Common, CommonVar::BDRYCONTACTTHR},
  };
  const auto measure = &TNGAS::MeasureVarList;
  FMeasureTexts = {
      {ui.AAlarm1Edit, measure, G::Measure, MeasureVar::ALPHAALARM1},
      {ui.AAlarm2Edit, measure, G::Measure, MeasureVar::ALPHAALARM2},
      {ui.BAlarm1Edit, measure, G::Measure, MeasureVar::BETAALARM1},
      {ui.BAlarm2Edit, measure, G::Measure, MeasureVar::BETAALARM2},
      {ui.Value1Panel, measure, G::Measure, MeasureVar::SUMALPHA},
      {ui.Value2Panel, measure, G::Measure, MeasureVar::SUMBETA},
      {ui.Value3Panel, measure, G::Measure, MeasureVar::RADON},
  };
  const auto counter = &TNGAS::CounterVarList;
  FCounterTexts = {
      {ui.EffAEdit, counter, G::Counter, CounterVar::EFFA},
      {ui.EffBEdit, counter, G::Counter, CounterVar::EFFB},
      {ui.EffABEdit, counter, G::Counter, CounterVar::EFFAB},
      {ui.EffPbEdit, counter, G::Counter, CounterVar::EFFPB},
      {ui.TransEdit, counter, G::Counter, CounterVar::TRANS},
      {ui.DTEdit, counter, G::Counter, CounterVar::DURATIONTIME},
      {ui.SpectrAEdit, counter, G::Counter, CounterVar::MAINENERGYA},
      {ui.SpectrBEdit, counter, G::Counter, CounterVar::MAINENERGYB},
      {ui.BkSpectrAEdit, counter, G::Counter, CounterVar::BGENERGYA},
      {ui.BkSpectrBEdit, counter, G::Counter, CounterVar::BGENERGYB},
  };
  const auto pump = &TNGAS::PumpVarList;
  FPumpTexts = {
      {ui.FlowPanel, pump, G::Pump, PumpVar::FLOW},
      {ui.GasVolumePanel, pump, G::Pump, PumpVar::VOLUME},
      {ui.PreassurePanel, pump, G::Pump, PumpVar::PREASSURE},
      {ui.PumpUpperLevelEdit, pump, G::Pump, PumpVar::PUMPUPPERLEVEL},
      {ui.PumpLowerLevelEdit, pump, G::Pump, PumpVar::PUMPLOWERLEVEL},
  };
  const auto test = &TNGAS::TestVarList;
  const auto activity = &TNGAS::TestActivityVarList;
  FTestTexts = {
      {ui.tFlowPanel, test, G::Test, TestVar::FLOW},
      {ui.tGasVolumePanel, test, G::Test, TestVar::VOLUME},
      {ui.tValue1Panel, activity, G::Test, TestActivityVar::SUMALPHA},
      {ui.tValue2Panel, activity, G::Test, TestActivityVar::SUMBETA},
      {ui.tValue3Panel, activity, G::Test, TestActivityVar::RADON},
  };
  const auto service = &TNGAS::ServiceVarList;
  FServiceTexts = {
      {ui.SelfFonEdit, service, G::Service, ServiceVar::SELFBACKGROUND},
      {ui.SelfFonBetaEdit, service, G::Service, ServiceVar::SELFALPHABACKGROUND},
      {ui.PressUpperLevelEdit, service, G::Service, ServiceVar::PRESSUPPERLEVEL},
      {ui.PressLowerLevelEdit, service, G::Service, ServiceVar::PRESSLOWERLEVEL},
      {ui.IDCTHREdit, service, G::Service, ServiceVar::ADCTHR},
      {ui.ServiceFuncFlagsEdit, service, G::Service, ServiceVar::SERVICEFUNCFLAGS},
      {ui.ForcedNetSendEdit, service, G::Service, ServiceVar::FORCEDNETSENDFLAGS},
      {ui.FALPHAPanel, service, G::Service, ServiceVar::FALPHA},
      {ui.FBetaPanel, service, G::Service, ServiceVar::FBETA},
  };
  const auto net = &TNGAS::NetVarList;
  FNetTexts = {
      {ui.NetAddressEdit, net, G::Net, NetVar::NETADDRESS},
      {ui.NetSpeedEdit, net, G::Net, NetVar::NETBAUDRATE},
  };
}

std::array<const TSettingsPages::TTextBindings*, 7> TSettingsPages::PageTexts() const {
  return {&FCommonTexts, &FMeasureTexts, &FCounterTexts, &FPumpTexts, &FTestTexts, &FServiceTexts, &FNetTexts};
}

void TSettingsPages::ConnectPageControls() {
  Ui::TMainForm& ui = FUi;
  const auto changes = [this](QObject* control) { return [this, control] { AnyDataChanged(control); }; };

  for (const TTextBindings* bindings : PageTexts()) {
    for (const TTextBinding& binding : *bindings) {
      auto* edit = qobject_cast<QLineEdit*>(binding.Control);
      if (!edit) continue;
      edit->setValidator(new TWireTextValidator(edit));
      connect(edit, &QLineEdit::textChanged, this, changes(edit));
    }
  }

  for (QAbstractButton* button :
       std::initializer_list<QAbstractButton*>{ui.SireneBtn, ui.SynchroBtn, ui.PumpBtn, ui.TapeBtn, ui.ActCalculateBtn})
    connect(button, &QAbstractButton::clicked, this, changes(button));
  // An assistive tool presses a push button (a click) but toggles a radio
  // button without one: a radio button answers both, once.
  const auto radio = [this](QAbstractButton* button, QObject* control) {
    connect(button, &QAbstractButton::toggled, this,
            [this, button, control](bool checked) { RadioToggled(button, control, checked); });
    connect(button, &QAbstractButton::clicked, this, [this, button, control] { RadioClicked(button, control); });
  };
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{ui.BASIndRB1, ui.BASIndRB2, ui.BASIndRB3})
    radio(button, button);
  // A radio group answers as a whole: the handler looks at which item is
  // selected now.
  const auto group = [&](QWidget* radioGroup, QRadioButton* on, QRadioButton* off) {
    radio(on, radioGroup);
    radio(off, radioGroup);
  };
  group(ui.DryContactIN, ui.DryContactINOn, ui.DryContactINOff);
  group(ui.DryContactOUT, ui.DryContactOUTOn, ui.DryContactOUTOff);
  group(ui.EthernetMode, ui.EthernetModeOn, ui.EthernetModeOff);

  connect(ui.DevDate, &QDateEdit::dateChanged, this, changes(ui.DevDate));
  connect(ui.DevTime, &QTimeEdit::timeChanged, this, changes(ui.DevTime));
}

void TSettingsPages::RadioToggled(QAbstractButton* button, QObject* control, bool checked) {
  if (!checked || FRefreshing > 0) return;
  FToggled = button;
  // A click that toggled the button follows in this same event; past it
  // the mark goes, so that the next click on the checked button acts.
  QTimer::singleShot(0, this, [this, button] {
    if (FToggled == button) FToggled = nullptr;
  });
  AnyDataChanged(control);
}

void TSettingsPages::RadioClicked(QAbstractButton* button, QObject* control) {
  if (FToggled == button) {
    FToggled = nullptr;
    return;
  }
  AnyDataChanged(control);
}

void TSettingsPages::AnyDataChanged(QObject* control) {
  if (FRefreshing > 0) return;
  // A change made while a test-mode read runs without a wait window is
  // taken once the read is over: the variables belong to the link thread
  // until then.
  if (!FController.Idle()) {
    FController.WhenIdle([this, control] { AnyDataChanged(control); });
    return;
  }
  Ui::TMainForm& ui = FUi;

  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    for (const TTextBindings* bindings : PageTexts()) {
      for (const TTextBinding& binding : *bindings) {
        if (binding.Control != edit) continue;
        if (TOPVarListItem* item = (FController.NGAS()->*binding.List)().GetItem(binding.Position))
          item->Value = Win1251::FromUnicode(edit->text());
        FSession.GroupEdited(binding.Group);
        return;
      }
    }
    return;
  }

  TOPVarListItem* dateTime = FController.NGAS()->CommonVarList().GetItem(CommonVar::DATETIME);
  TOPVarListItem* sirene = FController.NGAS()->AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_SIRENE);
  TOPVarListItem* indicator = FController.NGAS()->AlarmBlockVarList().GetItem(AlarmBlockVar::BAS_INDICATOR);
  const auto selectColour = [&](TAlarmColour colour) {
    const QByteArray value = DeviceValues::AlarmColourValue(colour);
    if (TextUtils::Trim(indicator->Value) != value) indicator->Value = value;
    FExecute(TCommand::WriteAlarmBlock);
  };

  const bool alarmRead = FSession.HasDeviceValues(TSettingsGroup::AlarmBlock);
  const bool commonRead = FSession.HasDeviceValues(TSettingsGroup::Common);
  if ((control == ui.SireneBtn || control == ui.BASIndRB1 || control == ui.BASIndRB2 || control == ui.BASIndRB3) &&
      !alarmRead) {
    RefreshCommonPage();
    return;
  }
  if ((control == ui.DryContactOUT || control == ui.SynchroBtn) && !commonRead) {
    RefreshCommonPage();
    return;
  }
  if (control == ui.SireneBtn) {
    sirene->Value = DeviceValues::ToggleSirene(sirene->Value);
    FExecute(TCommand::WriteAlarmBlock);
  } else if (control == ui.BASIndRB1) {
    selectColour(TAlarmColour::Red);
  } else if (control == ui.BASIndRB2) {
    selectColour(TAlarmColour::Yellow);
  } else if (control == ui.BASIndRB3) {
    selectColour(TAlarmColour::Green);
  } else if (control == ui.DryContactIN) {
    // The input contact is the installation's to report, not the
    // operator's to set.
    RefreshCommonPage();
  } else if (control == ui.DryContactOUT) {
    FController.NGAS()->CommonVarList().GetItem(CommonVar::DRYCONTACTOUT)->Value =
        DeviceValues::OnOffValue(ui.DryContactOUTOn->isChecked());
    FExecute(TCommand::WriteCommon);
  } else if (control == ui.EthernetMode) {
    FController.NGAS()->NetVarList().GetItem(NetVar::ETHERNET)->Value =
        DeviceValues::OnOffValue(ui.EthernetModeOn->isChecked());
    FSession.GroupEdited(TSettingsGroup::Net);
  } else if (control == ui.DevDate) {
    dateTime->Value = ReplaceDatePart(dateTime->Value, ui.DevDate->date());
    FSession.GroupEdited(TSettingsGroup::Common);
  } else if (control == ui.DevTime) {
    dateTime->Value = ReplaceTimePart(dateTime->Value, ui.DevTime->time());
    FSession.GroupEdited(TSettingsGroup::Common);
  } else if (control == ui.SynchroBtn) {
    SetPickersToPcClock();
    dateTime->Value = PickersDateTime();
    // The write's own completion shows the page: the device model is the
    // link thread's until then.
    FExecute(TCommand::WriteCommon);
  } else if (control == ui.PumpBtn) {
    FTestBitClick(DeviceValues::kTestPump);
  } else if (control == ui.TapeBtn) {
    FTestBitClick(DeviceValues::kTestTape);
  } else if (control == ui.ActCalculateBtn) {
    FTestBitClick(DeviceValues::kTestActivity);
  }
}

void TSettingsPages::ShowOnOffState(bool state, QLabel* panel) {
  Paint(panel, state ? PageColours::kOn : PageColours::kOff);
  panel->setText(state ? QStringLiteral("ВКЛ") : QStringLiteral("ВЫКЛ"));
}

void TSettingsPages::ShowFaultState(bool fault, QLabel* panel) {
  Paint(panel, fault ? PageColours::kFault : PageColours::kOk);
  panel->setText(fault ? QStringLiteral("СБОЙ") : QStringLiteral("OK"));
}

void TSettingsPages::PaintPanels() {
  Ui::TMainForm& ui = FUi;
  for (QLabel* panel : FWindow.findChildren<QLabel*>()) {
    if (!panel->property("valuePanel").toBool()) continue;
    Paint(panel, PageColours::kValueBackground, PageColours::kValueText);
    QFont font = panel->font();
    font.setBold(true);
    panel->setFont(font);
  }
  for (QLabel* panel : {ui.SireneOnOffPanel, ui.Alarm1On1, ui.Alarm2On1, ui.Alarm1On2, ui.Alarm2On2, ui.PumpOnOffPanel,
                        ui.TapeOnOffPanel, ui.ActCalculateOnOffPanel})
    ShowOnOffState(false, panel);
  for (QLabel* panel :
       {ui.StatusPanel1, ui.StatusPanel2, ui.StatusPanel3, ui.StatusPanel4, ui.StatusPanel5, ui.StatusPanel6})
    ShowFaultState(false, panel);
  Paint(ui.RedPanel, PageColours::kRedDark);
  Paint(ui.YellowPanel, PageColours::kYellowDark);
  Paint(ui.GreenPanel, PageColours::kGreenDark);
}

void TSettingsPages::ShowAlarmIndicator(const QByteArray& value) {
  Ui::TMainForm& ui = FUi;
  const TAlarmColour colour = DeviceValues::AlarmColour(value);
  Paint(ui.RedPanel, colour == TAlarmColour::Red ? PageColours::kRedLit : PageColours::kRedDark);
  Paint(ui.YellowPanel, colour == TAlarmColour::Yellow ? PageColours::kYellowLit : PageColours::kYellowDark);
  Paint(ui.GreenPanel, colour == TAlarmColour::Green ? PageColours::kGreenLit : PageColours::kGreenDark);
  QRadioButton* button = colour == TAlarmColour::Red      ? ui.BASIndRB1
                         : colour == TAlarmColour::Yellow ? ui.BASIndRB2
                                                          : ui.BASIndRB3;
  if (!button->isChecked()) button->setChecked(true);
}

QByteArray TSettingsPages::PickersDateTime() const {
  return DeviceValues::FormatDeviceDateTime(FUi.DevDate->date(), FUi.DevTime->time());
}

// An installation that has not been read yet has no DATETIME to change a
// part of: the text is first made whole from both pickers.
QByteArray TSettingsPages::ReplaceDatePart(const QByteArray& text, const QDate& date) {
  return DeviceValues::ReplaceDatePart(TextUtils::Trim(text).isEmpty() ? PickersDateTime() : text, date);
}

QByteArray TSettingsPages::ReplaceTimePart(const QByteArray& text, const QTime& time) {
  return DeviceValues::ReplaceTimePart(TextUtils::Trim(text).isEmpty() ? PickersDateTime() : text, time);
}

void TSettingsPages::ShowDeviceDateTime(const QByteArray& text) {
  const DeviceValues::TDeviceDateTime shown = DeviceValues::ParseDeviceDateTime(text);
  if (shown.Date) FUi.DevDate->setDate(*shown.Date);
  if (shown.Time) FUi.DevTime->setTime(*shown.Time);
}

void TSettingsPages::SetPickersToPcClock() {
  const TRefreshScope refreshing(FRefreshing);
  const QDateTime now = QDateTime::currentDateTime();
  FUi.DevDate->setDate(now.date());
  FUi.DevTime->setTime(now.time());
}

void TSettingsPages::ShowTexts(const TTextBindings& bindings) {
  for (const TTextBinding& binding : bindings) {
    const TOPVarListItem* item = (FController.NGAS()->*binding.List)().GetItem(binding.Position);
    const QString text = item ? Win1251::ToUnicode(item->Value) : QString();
    if (auto* panel = qobject_cast<QLabel*>(binding.Control)) panel->setText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(binding.Control)) edit->setText(text);
    // The test activities come with the test values only now and then; the
    // rest says whether it came with the last read of its group.
    const bool old = binding.List != &TNGAS::TestActivityVarList && FSession.IsOld(binding.Group, binding.Position);
    ShowAge(binding.Control, old, FSession.VariableRead(binding.Group, binding.Position));
  }
}

void TSettingsPages::ShowAge(QWidget* control, bool old, const QDateTime& read) {
  const bool panel = control->property("valuePanel").toBool();
  QPalette palette = control->palette();
  const QPalette::ColorRole role = qobject_cast<QLineEdit*>(control) ? QPalette::Text : QPalette::WindowText;
  const QColor fresh = panel ? PageColours::kValueText : FWindow.palette().color(role);
  palette.setColor(role, old ? (panel ? PageColours::kOldValueText : PageColours::kOldEditText) : fresh);
  control->setPalette(palette);
  control->setToolTip(!old ? QString()
                      : read.isValid()
                          ? QStringLiteral("Прочитано %1").arg(QLocale::system().toString(read, QLocale::ShortFormat))
                          : QStringLiteral("Не прочитано"));
}

void TSettingsPages::RefreshCommonPage() {
  const TRefreshScope refreshing(FRefreshing);
  Ui::TMainForm& ui = FUi;
  const TOPVarList& common = FController.NGAS()->CommonVarList();
  const TOPVarList& alarm = FController.NGAS()->AlarmBlockVarList();
  ShowTexts(FCommonTexts);
  ShowOnOffState(DeviceValues::IsSireneOn(ValueAt(alarm, AlarmBlockVar::BAS_SIRENE)), ui.SireneOnOffPanel);
  ShowAlarmIndicator(ValueAt(alarm, AlarmBlockVar::BAS_INDICATOR));
  ShowChoice(ui.DryContactINOn, ui.DryContactINOff, DeviceValues::OnOffState(ValueAt(common, CommonVar::DRYCONTACTIN)));
  ShowChoice(ui.DryContactOUTOn, ui.DryContactOUTOff,
             DeviceValues::OnOffState(ValueAt(common, CommonVar::DRYCONTACTOUT)));
  ShowDeviceDateTime(ValueAt(common, CommonVar::DATETIME));
}

void TSettingsPages::RefreshMeasurePage() {
  const TRefreshScope refreshing(FRefreshing);
  Ui::TMainForm& ui = FUi;
  const TOPVarList& measure = FController.NGAS()->MeasureVarList();
  ShowTexts(FMeasureTexts);
  const QByteArray status = ValueAt(measure, MeasureVar::STATUS);
  const std::array<QLabel*, DeviceValues::kStatusFaultCount> faults = {
      ui.StatusPanel1, ui.StatusPanel2, ui.StatusPanel3, ui.StatusPanel4, ui.StatusPanel5, ui.StatusPanel6};
  for (int unit = 0; unit < DeviceValues::kStatusFaultCount; ++unit)
    ShowFaultState(DeviceValues::IsFault(status, static_cast<TStatusFault>(unit)), faults.at(unit));
  ShowOnOffState(DeviceValues::IsOn(ValueAt(measure, MeasureVar::ALPHAALARM1ON)), ui.Alarm1On1);
  ShowOnOffState(DeviceValues::IsOn(ValueAt(measure, MeasureVar::ALPHAALARM2ON)), ui.Alarm2On1);
  ShowOnOffState(DeviceValues::IsOn(ValueAt(measure, MeasureVar::BETAALARM1ON)), ui.Alarm1On2);
  ShowOnOffState(DeviceValues::IsOn(ValueAt(measure, MeasureVar::BETAALARM2ON)), ui.Alarm2On2);
}

void TSettingsPages::RefreshCounterPage() {
  const TRefreshScope refreshing(FRefreshing);
  ShowTexts(FCounterTexts);
}

void TSettingsPages::RefreshPumpPage() {
  const TRefreshScope refreshing(FRefreshing);
  ShowTexts(FPumpTexts);
}

void TSettingsPages::RefreshTestPage() {
  const TRefreshScope refreshing(FRefreshing);
  Ui::TMainForm& ui = FUi;
  ShowTexts(FTestTexts);
  const QByteArray test = ValueAt(FController.NGAS()->TestVarList(), TestVar::TEST);
  ShowOnOffState(DeviceValues::IsTestBitSet(test, DeviceValues::kTestPump), ui.PumpOnOffPanel);
  ShowOnOffState(DeviceValues::IsTestBitSet(test, DeviceValues::kTestTape), ui.TapeOnOffPanel);
  ShowOnOffState(DeviceValues::IsTestBitSet(test, DeviceValues::kTestActivity), ui.ActCalculateOnOffPanel);
}

void TSettingsPages::RefreshServicePage() {
  const TRefreshScope refreshing(FRefreshing);
  ShowTexts(FServiceTexts);
}

void TSettingsPages::RefreshNetPage() {
  const TRefreshScope refreshing(FRefreshing);
  Ui::TMainForm& ui = FUi;
  ShowTexts(FNetTexts);
  ShowChoice(ui.EthernetModeOn, ui.EthernetModeOff,
             DeviceValues::OnOffState(ValueAt(FController.NGAS()->NetVarList(), NetVar::ETHERNET)));
}
