#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

class QWidget;

// While an exchange with the installation runs, the windows are kept painted
// between two requests, so the operator's clicks and keys must not reach the
// main window: they would start a second command in the middle of the first.
// The blocker drops them for as long as one scope is open, including those
// the window system still holds when the last scope closes, so nothing the
// operator did during the exchange runs after it either.
class TInputBlocker : public QObject {
 public:
  explicit TInputBlocker(QWidget* window);
  ~TInputBlocker() override;

  bool Active() const { return FDepth > 0; }
  // A window of the main window's own (the archive chart) whose input is
  // dropped too; the wait windows are not, their cancel button must work.
  void AlsoBlock(QWidget* window) { FAlso.emplace_back(window); }

  // Scopes nest; the blocker is active from the first open to the last close.
  class TScope {
   public:
    explicit TScope(TInputBlocker& blocker);
    ~TScope();
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;

   private:
    TInputBlocker& FBlocker;
  };

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Begin();
  void End();
  bool Blocks(QObject* receiver, const QEvent* event) const;

  QWidget* FWindow;
  std::vector<QPointer<QWidget>> FAlso;
  int FDepth = 0;
};
