#pragma once

#include <QString>

#include <vector>

class QTabWidget;
class QWidget;

// The pages of one page control, each known by its place in the page tree
// (the access string's number less one) whatever tabs are shown. A page the
// access level does not grant is taken out of the tab bar: the keys, the
// mouse wheel, a click and an assistive tool walk only the tabs that are
// there, so none of them can reach it. Its sheet stays alive, owned by the
// page control and disabled, and comes back at its own place with its
// caption.
class TPageTabs {
 public:
  // The pages are the sheets the control holds now, in their order.
  explicit TPageTabs(QTabWidget* tabs);

  // Shows exactly the pages marked. The selected page stays selected while
  // it is shown; otherwise the first page shown is selected, or none.
  void Show(const std::vector<bool>& shown);
  bool IsShown(int page) const;
  // The page selected, or -1 when no tab is shown.
  int Current() const;
  // Selects a page that is shown; any other page is refused and nothing
  // changes.
  bool Select(int page);

 private:
  struct TSheet {
    QWidget* Widget;
    QString Caption;
  };

  QTabWidget* FTabs;
  std::vector<TSheet> FSheets;
};
