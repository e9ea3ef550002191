#include "ui/common/errorreport.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace {

// The program's own category, which the start-up's filter of Qt's notes lets through.
Q_LOGGING_CATEGORY(programLog, "pelmora")

ErrorSink& sink() {
  static ErrorSink instance;
  return instance;
}

}  // namespace

void setErrorSink(ErrorSink s) { sink() = std::move(s); }

QString reportText(const QString& message) {
  if (!message.isEmpty() && message.back() > u'.') return message + u'.';
  return message;
}

void reportError(const QString& message) {
  const QString text = reportText(message);
  if (sink())
    sink()(text, QCoreApplication::applicationName());
  else
    qCWarning(programLog, "%s", qUtf8Printable(text));
}
