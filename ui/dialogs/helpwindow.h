#pragma once

#include <QString>

class QWidget;

// The running program's help document (see helpFileFor).
QString helpFilePath();

// Shows the help document in the program's own help window at its first topic. Throws Failure
// when the document is missing.
void showHelpWindow(QWidget* owner, const QString& path);

inline constexpr const char16_t* HelpTopic = u"HID00000001";
