#pragma once

#include <QDialog>

#include <memory>

class QComboBox;
class TComSettings;

namespace Ui {
class TComPropertiesDialog;
}

// The small modal window in which the operator chooses the serial port
// settings. The values themselves live in TComSettings; the dialog shows
// them, lets them be edited, and hands them back on OK. The main window owns
// it as a child, so it is created once and kept between uses, and lends it
// to the channel through its settings editor, which runs it modally.
class TComPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TComPropertiesDialog(QWidget* parent = nullptr);
  ~TComPropertiesDialog() override;

  // The two halves of an edit around the modal loop: the settings into the
  // controls, and the controls' texts back into the settings. The two
  // write time-outs have no control and are left alone.
  void ShowValues(const TComSettings& settings);
  void TakeValues(TComSettings& settings) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The start values, as a fresh set of settings has them.
  void FormCreate();
  // Lists the serial ports the system reports now after "COM1".."COM9",
  // with their description as the tool tip.
  void AddSystemPorts();
  void btOKClick();
  void btCancelClick();

  std::unique_ptr<Ui::TComPropertiesDialog> ui;
  // The fixed items of the port list, before the system's ports.
  int FComItems = 0;
};
