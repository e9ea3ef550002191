#pragma once

#include "edit/partcopy.h"

#include <QImage>
#include <QStringList>

#include <optional>

// The system clipboard as the editor uses it. A part goes there as its record under Pelmora's own
// type, with a mark naming the copy and, for a text part, its string as plain text for other
// programs; this program keeps the raster the copy showed, so a paste here shares it. Pastes are
// counted per copy, so that each lands 10 logo pixels further on than the one before.
class PartClipboard {
public:
  static void putPart(const PartCopy& copy);
  static void putImage(const QImage& image);

  // What a paste takes from the clipboard, the first of: a part (with how far on it lands, which
  // counts this paste), the local files of a file manager's copy, or the text. Only a paste fetches
  // the clipboard's data: from another program that is a transfer, which may take long. A part of
  // this program's own copy is known by its mark and not fetched at all; one from elsewhere that
  // is refused throws the refusal's Failure.
  struct Paste {
    std::optional<PartCopy> part;
    int shift = 0;
    QStringList files;
    QString text;
  };
  static Paste take();
  // Whether the clipboard offers anything take() finds, from the formats it names alone.
  static bool offersPaste();
};
