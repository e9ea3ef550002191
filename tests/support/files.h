#pragma once

#include "model/failure.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QString>

#include <ostream>

// Strings in failures as text, not as lists of characters.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

// The words with which `action` fails, or nothing when it does not.
template <typename Action>
QString failureOf(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.message();
  }
  return {};
}

// A whole file's bytes, or nothing when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void putFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

// A BMP picture of `size` in one colour, saved in `dir` as `name`; its path.
inline QString savedPicture(const QTemporaryDir& dir, const char* name, QSize size, QRgb colour = qRgb(200, 10, 10)) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  const QString path = dir.filePath(QString::fromLatin1(name));
  EXPECT_TRUE(image.save(path, "BMP"));
  return path;
}
