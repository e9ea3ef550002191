#pragma once

#include <QString>

#include <exception>

// The one kind of error the program raises: it carries the text the user reads. Commands throw it
// and the application's top-level report shows it, so no handler has to know how to show errors.
class Failure : public std::exception {
public:
  explicit Failure(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

  const QString& message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

private:
  QString message_;
  QByteArray utf8_;
};
