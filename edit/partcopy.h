#pragma once

#include "edit/madeparts.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A part as the clipboard carries it: its whole record, which travels between windows and
// programs as bytes of Pelmora's own type, and within this program the raster it showed, so that
// pasting it decodes nothing and shows it though its file has gone since.
class PartCopy {
public:
  static constexpr char MimeType[] = "application/x-pelmora-part";

  // A copy of `record` drawn as `look`, as this program copies a part it shows.
  PartCopy(const TPartData& record, MadeLook look) : record_(record), look_(std::move(look)), hasLook_(true) {}
  // The copy that bytes of Pelmora's type give, which may come from any program: refused, with a
  // Failure saying why, unless they are one whole record of a text or picture part with every
  // string ended. Its reserved bytes and what follows each string's zero are zeros.
  static PartCopy fromBytes(const QByteArray& bytes);

  // Several parts as the clipboard carries them together: their whole records one after
  // another, in order, so that one record is what a copy of one part always was. Bytes that are
  // not 1 to 99 whole records are refused before any record is read.
  static std::vector<PartCopy> listFromBytes(const QByteArray& bytes);
  static QByteArray listBytes(const std::vector<PartCopy>& copies);
  // What other programs get of several: the text parts' strings, one a line.
  static QString listPlainText(const std::vector<PartCopy>& copies);

  QByteArray bytes() const;
  const TPartData& record() const { return record_; }
  // What the part showed when it was copied; nothing for bytes from the clipboard.
  const MadeLook* look() const { return hasLook_ ? &look_ : nullptr; }
  // What other programs get: a text part's string, nothing for a picture.
  QString plainText() const;

private:
  explicit PartCopy(const TPartData& record) : record_(record) {}

  TPartData record_;
  MadeLook look_;
  bool hasLook_ = false;
};
