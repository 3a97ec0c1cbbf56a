#include "PageTabs.h"

#include <QTabWidget>

TPageTabs::TPageTabs(QTabWidget* tabs) : FTabs(tabs) {
  for (int i = 0; i < tabs->count(); ++i) FSheets.push_back({tabs->widget(i), tabs->tabText(i)});
}

void TPageTabs::Show(const std::vector<bool>& shown) {
  QWidget* selected = FTabs->currentWidget();
  int position = 0;
  for (size_t page = 0; page < FSheets.size(); ++page) {
    const TSheet& sheet = FSheets[page];
    const bool show = page < shown.size() && shown[page];
    const int index = FTabs->indexOf(sheet.Widget);
    if (show && index < 0) FTabs->insertTab(position, sheet.Widget, sheet.Caption);
    if (!show && index >= 0) FTabs->removeTab(index);
    // Out of the bar the sheet is still a child of the control; disabled,
    // none of its buttons answers an assistive tool's press either.
    sheet.Widget->setEnabled(show);
    if (show) ++position;
  }
  if (selected && FTabs->indexOf(selected) >= 0)
    FTabs->setCurrentWidget(selected);
  else if (FTabs->count() > 0)
    FTabs->setCurrentIndex(0);
}

bool TPageTabs::IsShown(int page) const {
  return page >= 0 && static_cast<size_t>(page) < FSheets.size() &&
         FTabs->indexOf(FSheets[static_cast<size_t>(page)].Widget) >= 0;
}

int TPageTabs::Current() const {
  const QWidget* selected = FTabs->currentWidget();
  // Without a tab there is no widget selected, and no sheet is null.
  for (size_t page = 0; page < FSheets.size(); ++page)
    if (FSheets[page].Widget == selected) return static_cast<int>(page);
  return -1;
}

bool TPageTabs::Select(int page) {
  if (!IsShown(page)) return false;
  FTabs->setCurrentWidget(FSheets[static_cast<size_t>(page)].Widget);
  return true;
}
