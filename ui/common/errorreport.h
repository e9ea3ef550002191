#pragma once

#include "model/failure.h"

#include <QString>

#include <functional>

// Qt does not let exceptions unwind through its own frames (a button's click handling, say), so
// every handler that Qt calls reports its failure here instead of throwing on.
//
// The error sink is where every report ends up: the text as the user reads it and the caption of
// its box. The application object installs its message box; a test installs a recorder. Without
// one, reports are only logged.
using ErrorSink = std::function<void(const QString& text, const QString& caption)>;
void setErrorSink(ErrorSink sink);
void reportError(const QString& message);

// The report's text: the message with a full stop when its last character sorts after ".".
QString reportText(const QString& message);

// Runs a command and turns its failure into the top-level report.
template <typename Command>
void guarded(Command&& command) {
  try {
    command();
  } catch (...) {
    reportError(messageOfCurrentException());
  }
}
