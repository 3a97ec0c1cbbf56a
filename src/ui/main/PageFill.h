#pragma once

#include <QBoxLayout>
#include <QWidget>

// A view fills its page above whatever bar the page has under it.
inline void FillPage(QWidget* page, QWidget* view) {
  view->setParent(page);
  static_cast<QBoxLayout*>(page->layout())->insertWidget(0, view, 1);
}
