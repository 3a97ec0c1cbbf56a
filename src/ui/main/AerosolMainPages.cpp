// The settings sub-pages as the refreshes fill them: every panel and edit
// that shows a variable's text exactly as the installation sent it.

#include "AerosolMain.h"
#include "DeviceCatalogue.h"
#include "NGAS.h"
#include "Win1251.h"
#include "ui_AerosolMain.h"

#include <QLabel>
#include <QLineEdit>

void TMainForm::BindPageTexts() {
  Ui::TMainForm& ui = *FUi;
  TOPVarList* common = &FNGAS->CommonVarList();
  FCommonTexts = {
      {ui.NumPanel, common, CommonVar::SERIALN},
      {ui.ResourcePanel, common, CommonVar::RESOURCE},
      {ui.DCLevelEdit, common, CommonVar::ADRYCONTACTTHR},
      {ui.DCLevelBetaEdit, common, CommonVar::BDRYCONTACTTHR},
  };
  TOPVarList* measure = &FNGAS->MeasureVarList();
  FMeasureTexts = {
      {ui.AAlarm1Edit, measure, MeasureVar::ALPHAALARM1}, {ui.AAlarm2Edit, measure, MeasureVar::ALPHAALARM2},
      {ui.BAlarm1Edit, measure, MeasureVar::BETAALARM1},  {ui.BAlarm2Edit, measure, MeasureVar::BETAALARM2},
      {ui.Value1Panel, measure, MeasureVar::SUMALPHA},    {ui.Value2Panel, measure, MeasureVar::SUMBETA},
      {ui.Value3Panel, measure, MeasureVar::RADON},
  };
  TOPVarList* counter = &FNGAS->CounterVarList();
  FCounterTexts = {
      {ui.EffAEdit, counter, CounterVar::EFFA},           {ui.EffBEdit, counter, CounterVar::EFFB},
      {ui.EffABEdit, counter, CounterVar::EFFAB},         {ui.EffPbEdit, counter, CounterVar::EFFPB},
      {ui.TransEdit, counter, CounterVar::TRANS},         {ui.DTEdit, counter, CounterVar::DURATIONTIME},
      {ui.SpectrAEdit, counter, CounterVar::MAINENERGYA}, {ui.SpectrBEdit, counter, CounterVar::MAINENERGYB},
      {ui.BkSpectrAEdit, counter, CounterVar::BGENERGYA}, {ui.BkSpectrBEdit, counter, CounterVar::BGENERGYB},
  };
  TOPVarList* pump = &FNGAS->PumpVarList();
  FPumpTexts = {
      {ui.FlowPanel, pump, PumpVar::FLOW},
      {ui.GasVolumePanel, pump, PumpVar::VOLUME},
      {ui.PreassurePanel, pump, PumpVar::PREASSURE},
      {ui.PumpUpperLevelEdit, pump, PumpVar::PUMPUPPERLEVEL},
      {ui.PumpLowerLevelEdit, pump, PumpVar::PUMPLOWERLEVEL},
  };
  TOPVarList* test = &FNGAS->TestVarList();
  TOPVarList* activity = &FNGAS->TestActivityVarList();
  FTestTexts = {
      {ui.tFlowPanel, test, TestVar::FLOW},
      {ui.tGasVolumePanel, test, TestVar::VOLUME},
      {ui.tValue1Panel, activity, TestActivityVar::SUMALPHA},
      {ui.tValue2Panel, activity, TestActivityVar::SUMBETA},
      {ui.tValue3Panel, activity, TestActivityVar::RADON},
  };
  TOPVarList* service = &FNGAS->ServiceVarList();
  FServiceTexts = {
      {ui.SelfFonEdit, service, ServiceVar::SELFBACKGROUND},
      {ui.SelfFonBetaEdit, service, ServiceVar::SELFALPHABACKGROUND},
      {ui.PressUpperLevelEdit, service, ServiceVar::PRESSUPPERLEVEL},
      {ui.PressLowerLevelEdit, service, ServiceVar::PRESSLOWERLEVEL},
      {ui.IDCTHREdit, service, ServiceVar::ADCTHR},
      {ui.ServiceFuncFlagsEdit, service, ServiceVar::SERVICEFUNCFLAGS},
      {ui.ForcedNetSendEdit, service, ServiceVar::FORCEDNETSENDFLAGS},
      {ui.FALPHAPanel, service, ServiceVar::FALPHA},
      {ui.FBetaPanel, service, ServiceVar::FBETA},
  };
  TOPVarList* net = &FNGAS->NetVarList();
  FNetTexts = {
      {ui.NetAddressEdit, net, NetVar::NETADDRESS},
      {ui.NetSpeedEdit, net, NetVar::NETBAUDRATE},
  };
}

void TMainForm::ShowTexts(const TTextBindings& bindings) {
  for (const TTextBinding& binding : bindings) {
    const TOPVarListItem* item = binding.Group->GetItem(binding.Position);
    const QString text = item ? Win1251::ToUnicode(item->Value) : QString();
    if (auto* panel = qobject_cast<QLabel*>(binding.Control)) panel->setText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(binding.Control)) edit->setText(text);
  }
}

void TMainForm::RefreshCommonPage() {
  if (FNGAS) ShowTexts(FCommonTexts);
}

void TMainForm::RefreshMeasurePage() {
  if (FNGAS) ShowTexts(FMeasureTexts);
}

void TMainForm::RefreshCounterPage() {
  if (FNGAS) ShowTexts(FCounterTexts);
}

void TMainForm::RefreshPumpPage() {
  if (FNGAS) ShowTexts(FPumpTexts);
}

void TMainForm::RefreshTestPage() {
  if (FNGAS) ShowTexts(FTestTexts);
}

void TMainForm::RefreshServicePage() {
  if (FNGAS) ShowTexts(FServiceTexts);
}

void TMainForm::RefreshNetPage() {
  if (FNGAS) ShowTexts(FNetTexts);
}
