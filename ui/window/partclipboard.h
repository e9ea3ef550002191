#pragma once

#include "edit/partcopy.h"

#include <QImage>
#include <QStringList>

#include <optional>
#include <vector>

// The system clipboard as the editor uses it. Parts go there as their records one after another
// under Pelmora's own type, with a mark naming the copy and the text parts' strings as plain text
// for other programs; this program keeps the rasters the copies showed, so a paste here shares
// them. Pastes are counted per copy, so that each lands 10 logo pixels further on than the one
// before.
class PartClipboard {
public:
  static void putParts(const std::vector<PartCopy>& copies);
  static void putImage(const QImage& image);

  // What a paste takes from the clipboard, the first of: parts (with how far on they land once
  // countPaste() counts the paste), the local files of a file manager's copy, or the text. Only a
  // paste fetches the clipboard's data: from another program that is a transfer, which may take
  // long. Parts of this program's own copy are known by the mark and not fetched at all; bytes
  // from elsewhere that are refused throw the refusal's Failure.
  struct Paste {
    std::vector<PartCopy> parts;
    int shift = 0;
    QByteArray mark;
    QStringList files;
    QString text;
  };
  static Paste take();
  // The parts of `paste` pasted: the next paste of that copy lands 10 further on. A paste refused
  // is not counted.
  static void countPaste(const Paste& paste);
  // Whether the clipboard offers anything take() finds, from the formats it names alone.
  static bool offersPaste();
};
