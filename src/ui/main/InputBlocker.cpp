#include "InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

TInputBlocker::TInputBlocker(QWidget* window) : FWindow(window) {}

TInputBlocker::~TInputBlocker() {
  if (FDepth == 0) return;
  QCoreApplication::instance()->removeEventFilter(this);
  QGuiApplication::restoreOverrideCursor();
}

void TInputBlocker::Begin() {
  if (FDepth++ > 0) return;
  QCoreApplication::instance()->installEventFilter(this);
  // The busy cursor tells the operator that clicks and keys are dropped
  // until the exchange is over.
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void TInputBlocker::End() {
  if (FDepth == 1) {
    // Input that the window system held back while the windows were kept
    // painted arrives now, and is dropped like the rest.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
  }
  --FDepth;
}

bool TInputBlocker::Blocks(QObject* receiver, const QEvent* event) const {
  if (!IsUserInput(event->type())) return false;
  const auto blocked = [this](const QWidget* window) {
    return window == FWindow ||
           std::any_of(FAlso.begin(), FAlso.end(), [window](const QPointer<QWidget>& also) { return also == window; });
  };
  if (const auto* widget = qobject_cast<QWidget*>(receiver)) return blocked(widget->window());
  if (const auto* window = qobject_cast<QWindow*>(receiver)) {
    return window == FWindow->windowHandle() ||
           std::any_of(FAlso.begin(), FAlso.end(),
                       [window](const QPointer<QWidget>& also) { return also && also->windowHandle() == window; });
  }
  // Menu and tool-bar shortcuts are delivered to actions, not to widgets.
  return event->type() == QEvent::Shortcut;
}

bool TInputBlocker::eventFilter(QObject* watched, QEvent* event) {
  if (Blocks(watched, event)) {
    event->accept();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

TInputBlocker::TScope::TScope(TInputBlocker& blocker) : FBlocker(blocker) { FBlocker.Begin(); }

TInputBlocker::TScope::~TScope() { FBlocker.End(); }
