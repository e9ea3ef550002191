#include "ui/main/errorreport.h"

#include <QLoggingCategory>

namespace {

// The program's own category, which the start-up's filter of Qt's notes lets through.
Q_LOGGING_CATEGORY(programLog, "pelmora")

ErrorReporter& reporter() {
  static ErrorReporter instance;
  return instance;
}

}  // namespace

void setErrorReporter(ErrorReporter r) { reporter() = std::move(r); }

void reportError(const QString& message) {
  if (reporter())
    reporter()(message);
  else
    qCWarning(programLog, "%s", qUtf8Printable(message));
}
