#pragma once

#include <QDialog>

class QLineEdit;

// What the two number dialogs share: a fixed-size window without title-bar
// buttons, centred on the screen when shown, whose one three-digit edit
// (NumME) takes the focus with its whole text selected whenever the window
// is shown or activated, so that what the operator types replaces the old
// value. The dialog does not check the entry on OK.
class TNumberEntryDialog : public QDialog {
  Q_OBJECT

 public:
  QLineEdit* NumME() const { return FNumberEdit; }
  void FormActivate();

 protected:
  explicit TNumberEntryDialog(QWidget* owner);
  // Called once the subclass has set up its form: the edit, and the size
  // the form gave the window.
  void TakeForm(QLineEdit* numberEdit);
  // The number the edit holds when it is one of minimum to maximum, or -1.
  int ValueIn(int minimum, int maximum) const;

  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QLineEdit* FNumberEdit = nullptr;
};
