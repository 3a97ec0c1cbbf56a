#include "ComResourceSetupEng.h"

#include "ComSettings.h"
#include "Win1251.h"
#include "ui_ComResourceSetupEng.h"

#include <QIcon>
#include <QSerialPortInfo>

namespace {

// A value the list holds becomes its current item, so the arrow keys, the
// wheel and the popup go on from the value shown; any other text (a device
// path typed in, a value from an edited commport.cfg) is kept as typed.
void ShowText(QComboBox* box, const QByteArray& text) {
  const QString shown = Win1251::ToUnicode(text);
  const int item = box->findText(shown);
  box->setCurrentIndex(item);
  if (item < 0) box->setEditText(shown);
}

QIcon SerialConnectorIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 256})
    icon.addFile(QStringLiteral(":/link/serial-%1.png").arg(size), QSize(size, size));
  return icon;
}

QByteArray TextOf(const QComboBox* box) { return Win1251::FromUnicode(box->currentText()); }

}  // namespace

TComPropertiesDialog::TComPropertiesDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TComPropertiesDialog>()) {
  ui->setupUi(this);
  // A title without buttons: the window is closed by OK, Cancel or Esc.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
  setFixedSize(260, 225);
  setWindowIcon(SerialConnectorIcon());
  connect(ui->btOK, &QPushButton::clicked, this, &TComPropertiesDialog::btOKClick);
  connect(ui->btCancel, &QPushButton::clicked, this, &TComPropertiesDialog::btCancelClick);
  FComItems = ui->PortNumCBox->count();
  FormCreate();
}

TComPropertiesDialog::~TComPropertiesDialog() = default;

void TComPropertiesDialog::FormCreate() { ShowValues(TComSettings()); }

void TComPropertiesDialog::AddSystemPorts() {
  // Listed anew at each opening: an adapter put back may have come under
  // another name, and one pulled out is no longer offered.
  while (ui->PortNumCBox->count() > FComItems) ui->PortNumCBox->removeItem(ui->PortNumCBox->count() - 1);
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
    const QString name = info.portName();
#else
    const QString name = info.systemLocation();
#endif
    if (ui->PortNumCBox->findText(name) >= 0) continue;
    ui->PortNumCBox->addItem(name);
    ui->PortNumCBox->setItemData(ui->PortNumCBox->count() - 1, info.description(), Qt::ToolTipRole);
  }
}

void TComPropertiesDialog::ShowValues(const TComSettings& settings) {
  AddSystemPorts();
  ShowText(ui->PortNumCBox, settings.PortNumber());
  ShowText(ui->SpeedCBox, settings.TransferRate());
  ShowText(ui->StopBitCBox, settings.StopBits());
  ShowText(ui->ParitetCBox, settings.Paritet());
  ShowText(ui->PeriodCBox, settings.LatencyPeriod());
  ShowText(ui->DTRcontrolCBox, settings.DTRControl());
  ShowText(ui->RTScontrolCBox, settings.RTSControl());
}

void TComPropertiesDialog::TakeValues(TComSettings& settings) const {
  settings.SetPortNumber(TextOf(ui->PortNumCBox));
  settings.SetTransferRate(TextOf(ui->SpeedCBox));
  settings.SetStopBits(TextOf(ui->StopBitCBox));
  settings.SetParitet(TextOf(ui->ParitetCBox));
  settings.SetLatencyPeriod(TextOf(ui->PeriodCBox));
  settings.SetDTRControl(TextOf(ui->DTRcontrolCBox));
  settings.SetRTSControl(TextOf(ui->RTScontrolCBox));
}

void TComPropertiesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ui->btOK->setFocus();
}

void TComPropertiesDialog::btOKClick() { accept(); }

void TComPropertiesDialog::btCancelClick() { reject(); }
