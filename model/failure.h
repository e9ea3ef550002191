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

// What the user reads about the exception being handled: a Failure's own message, a plain note
// for memory running out, the text of any other standard exception. Call it only inside a catch
// block; an exception of no standard type goes on unwinding from there, as if never caught.
QString messageOfCurrentException();
