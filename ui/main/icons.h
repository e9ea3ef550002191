#pragma once

#include <QIcon>

// The toolbar's pictures, drawn in code after their descriptions, indexed as the image list
// was: 0 new, 2 open, 4 save, 6 save logo, 8 parts list, 10 text, 12 picture, 14 background
// picture, 16 fill, 18 help. Qt derives the greyed forms itself.
QImage toolbarImage(int index);
QIcon toolbarIcon(int index);

// The program's icon at any size.
QImage applicationImage(int side);
QIcon applicationIcon();
