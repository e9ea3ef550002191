#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// Every message the program shows: a stop icon, one OK button, and text the user can select and
// copy (with the mouse or Ctrl+C) to paste into a report.
void showStopMessage(QWidget* owner, const QString& caption, const QString& text);

// Lets the text of a message box be selected and copied, with the mouse and the keyboard.
void makeTextCopyable(QMessageBox& box);
