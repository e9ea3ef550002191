#pragma once

#include <QIcon>

// The toolbar's pictures, drawn in code after their descriptions, each named for what it shows and
// numbered as the image list was. Qt derives the greyed forms itself.
enum class ToolbarPicture {
  BlankSheet = 0,        // new
  WrittenSheet = 2,      // open
  SheetIntoTray = 4,     // save
  WindowOverDisk = 6,    // save logo
  SheetStack = 8,        // parts list
  LetterA = 10,          // add text
  WalkingFigure = 12,    // add picture
  ArrowIntoFigure = 14,  // background picture
  Pencil = 16,           // background fill
  QuestionMark = 18,     // help
};
// Drawn at `ratio` device pixels a pixel: 16 x 16 logical pixels at any ratio.
QImage toolbarImage(ToolbarPicture picture, int ratio = 1);
QIcon toolbarIcon(ToolbarPicture picture);

// The program's icon at any size.
QImage applicationImage(int side);
QIcon applicationIcon();
