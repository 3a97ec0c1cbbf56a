#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class TEnergyCalibrationForm;
}
class QLabel;
class QLineEdit;
class QToolButton;

// The dialog "Калибровка": a current point (channel, energy in keV) that
// the operator edits, and the two points of the linear energy calibration,
// each filled from the current point by its copy button. The dialog only
// edits the numbers; the spectrum view fills it and computes the
// coefficients from the points it reads back after OK.
class TEnergyCalibrationForm : public QDialog {
  Q_OBJECT

 public:
  explicit TEnergyCalibrationForm(QWidget* owner = nullptr);
  ~TEnergyCalibrationForm() override;

  // Each setter stores the value and shows it at once.
  void SetCurChannel(int32_t n);
  void SetCurEnergy(int32_t e);
  void SetChannel1(int32_t n);
  void SetEnergy1(int32_t e);
  void SetChannel2(int32_t n);
  void SetEnergy2(int32_t e);

  int32_t CurChannel() const { return FCurChannel; }
  int32_t CurEnergy() const { return FCurEnergy; }
  int32_t Channel1() const { return FChannel1; }
  int32_t Energy1() const { return FEnergy1; }
  int32_t Channel2() const { return FChannel2; }
  int32_t Energy2() const { return FEnergy2; }

  void to1BtnClick();
  void to2BtnClick();
  void ChannelEditChange();
  void EnergyEditChange();

  QLineEdit* ChannelEdit() const;
  QLineEdit* EnergyEdit() const;
  QToolButton* to1Btn() const;
  QToolButton* to2Btn() const;
  QLabel* ChannelPanel1() const;
  QLabel* EnergyPanel1() const;
  QLabel* ChannelPanel2() const;
  QLabel* EnergyPanel2() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Takes the edit's text as the value, or puts the last good value back.
  static void TakeNumber(QLineEdit* edit, int32_t& value);

  std::unique_ptr<Ui::TEnergyCalibrationForm> FUi;
  int32_t FCurChannel = 0;
  int32_t FCurEnergy = 0;
  int32_t FChannel1 = 0;
  int32_t FEnergy1 = 0;
  int32_t FChannel2 = 0;
  int32_t FEnergy2 = 0;
};
