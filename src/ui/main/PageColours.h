#pragma once

#include <QColor>
#include <QString>

// The colours of the main window's pages, defined in this one place: the
// indicator panels, the read-outs of measured values and the page tabs.
// Every caption stands out from its background by a contrast of at least
// 4.5:1, so the values stay legible on a dim control-room screen, and the
// selected tab is marked by a colour of its own, so the operator sees which
// page is open.
namespace PageColours {

// Indicators: a state shown by the panel's colour, its caption in black.
inline const QColor kOn{255, 0, 0};
inline const QColor kOff{128, 128, 128};
inline const QColor kOk{0, 255, 0};
inline const QColor kFault{255, 0, 0};
inline const QColor kIndicatorText{0, 0, 0};

// The lamps of the alarm block: the lit one bright, the others dark.
inline const QColor kRedLit{255, 0, 0};
inline const QColor kRedDark{128, 0, 0};
inline const QColor kYellowLit{255, 255, 0};
inline const QColor kYellowDark{128, 128, 0};
inline const QColor kGreenLit{0, 255, 0};
inline const QColor kGreenDark{0, 128, 0};

// Read-outs of measured values: bold yellow on grey, a grey dark enough for
// the yellow to stay legible.
inline const QColor kValueText{255, 255, 0};
inline const QColor kValueBackground{96, 96, 96};

// Values that did not come with the last read of their page: muted, so
// that an old value is not taken for a fresh one.
inline const QColor kOldValueText{170, 170, 110};
inline const QColor kOldEditText{128, 128, 128};
// Page tabs, the main pages on the left and the sub-pages on top.
inline const QColor kTabText{0, 0, 0};
inline const QColor kTabBackground{218, 218, 218};
inline const QColor kTabHoverBackground{240, 240, 240};
inline const QColor kTabBorder{128, 128, 128};
inline const QColor kSelectedTabText{255, 255, 255};
inline const QColor kSelectedTabBackground{29, 79, 145};

// The main window's style sheet, for the page tabs.
QString StyleSheet();

}  // namespace PageColours
