#include "PageColours.h"

namespace {

QString Css(const QColor& colour) { return colour.name(QColor::HexRgb); }

}  // namespace

QString PageColours::StyleSheet() {
  return QStringLiteral(
             "QTabWidget::pane { border: 1px solid %1; top: -1px; }\n"
             "QTabWidget#MainPageControl::pane { top: 0px; left: -1px; }\n"
             "QTabWidget#Page1PageControl::tab-bar, QTabWidget#SpectrPageControl::tab-bar { left: 2px; }\n"
             "QTabBar::tab { color: %2; background: %3; border: 1px solid %1; }\n"
             "QTabBar::tab:top { border-radius: 3px; padding: 3px 8px; margin: 2px 2px 3px 0px; }\n"
             "QTabBar::tab:left { border-right: none; border-top-left-radius: 3px; border-bottom-left-radius: 3px;"
             " padding: 6px 2px; margin-bottom: 1px; }\n"
             "QTabBar::tab:hover:!selected { background: %4; }\n"
             "QTabBar::tab:selected { color: %5; background: %6; border-color: %6; }\n")
      .arg(Css(kTabBorder), Css(kTabText), Css(kTabBackground), Css(kTabHoverBackground), Css(kSelectedTabText),
           Css(kSelectedTabBackground));
}
