#pragma once

class QLabel;
class QString;
class QWidget;

// What both wait windows do to show a message: set the text, bring the
// window up (centred when it was hidden) and get it painted now, before the
// caller blocks the user-interface thread with an exchange.
void ShowWaitWindow(QWidget* window, QLabel* messagePanel, const QString& text);
