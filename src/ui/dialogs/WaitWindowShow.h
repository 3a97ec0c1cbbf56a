#pragma once

class QLabel;
class QString;
class QWidget;

// What both wait windows do to show a message: set the text and bring the
// window up, modal, centred when it was hidden.
void ShowWaitWindow(QWidget* window, QLabel* messagePanel, const QString& text);
