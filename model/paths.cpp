#include "model/paths.h"

namespace {

bool isSeparator(QChar c) { return c == u'\\' || c == u':' || c == u'/'; }

}  // namespace

QString pathExtension(QStringView path) {
  for (qsizetype i = path.size() - 1; i >= 0; --i) {
    if (path[i] == u'.') return path.mid(i).toString();
    if (isSeparator(path[i])) break;
  }
  return {};
}

QString pathFileName(QStringView path) {
  for (qsizetype i = path.size() - 1; i >= 0; --i)
    if (isSeparator(path[i])) return path.mid(i + 1).toString();
  return path.toString();
}

bool isJpegPath(QStringView path) {
  const QString ext = pathExtension(path);
  return ext.compare(u".jpg", Qt::CaseInsensitive) == 0 || ext.compare(u".jpeg", Qt::CaseInsensitive) == 0;
}

bool isPngPath(QStringView path) { return pathExtension(path).compare(u".png", Qt::CaseInsensitive) == 0; }

bool hasPictureExtension(QStringView path) {
  return isJpegPath(path) || isPngPath(path) || pathExtension(path).compare(u".bmp", Qt::CaseInsensitive) == 0;
}

bool isProjectPath(QStringView path) { return pathExtension(path).compare(u".rpf", Qt::CaseInsensitive) == 0; }
