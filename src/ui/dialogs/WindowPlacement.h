#pragma once

#include <Qt>

class QWidget;

// A dialog border with a title and no title-bar buttons, for the windows the
// operator may not close by hand.
constexpr Qt::WindowFlags kDialogWithoutButtons = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// Moves a top-level window to the middle of the screen it is on (the primary
// screen before it was first shown).
void CenterOnScreen(QWidget* window);
