#include "ui/canvas/selectionmarks.h"

#include "ui/canvas/snapguides.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

// A blue far from the guides' magenta: a frame and a caught line are never taken for each other.
const QColor kFrameColour(0x00, 0x78, 0xD7);

QRect frameOf(const QRect& part) {
  const int out = SelectionMarks::kFrameOut;
  return part.adjusted(-out, -out, out, out);
}

QRect boxOf(const QRect& box) {
  const int out = SelectionMarks::kBoxOut;
  return box.adjusted(-out, -out, out, out);
}

// The four sides of `r`'s outline, each a row or a column of its edge pixels.
std::array<QRect, 4> sides(const QRect& r) {
  return {QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
          QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())};
}

// Runs of kDash pixels counted from the rectangle's left and top, dark first.
void drawDashed(QPainter& painter, const QRect& r) {
  for (const QRect& side : sides(r)) {
    const bool row = side.height() == 1;
    const int length = row ? side.width() : side.height();
    for (int from = 0; from < length; from += SelectionMarks::kDash) {
      const int run = std::min(SelectionMarks::kDash, length - from);
      const QRect dash =
          row ? QRect(side.left() + from, side.top(), run, 1) : QRect(side.left(), side.top() + from, 1, run);
      painter.fillRect(dash, (from / SelectionMarks::kDash) % 2 == 0 ? Qt::black : Qt::white);
    }
  }
}

}  // namespace

SelectionMarks::SelectionMarks(QWidget* viewport) : QWidget(viewport) {
  setUpViewOverlay(this, QStringLiteral("selectionMarks"));
}

QRegion SelectionMarks::outlines(const Marks& marks) {
  QRegion region;
  const auto add = [&region](const QRect& r) {
    for (const QRect& side : sides(r)) region += side;
  };
  for (const QRect& part : marks.frames) add(frameOf(part));
  if (marks.box) add(boxOf(*marks.box));
  if (marks.band) add(*marks.band);
  return region;
}

void SelectionMarks::showMarks(Marks marks) {
  // The viewport may have been resized since; the marks span it as it is now.
  if (geometry() != parentWidget()->rect()) setGeometry(parentWidget()->rect());
  if (marks == marks_) return;
  const QRegion before = isVisible() ? outlines(marks_) : QRegion();
  marks_ = std::move(marks);
  if (marks_.frames.empty() && !marks_.box && !marks_.band) {
    hide();
    return;
  }
  if (!isVisible()) {
    raise();
    show();
    return;
  }
  update(before + outlines(marks_));
}

void SelectionMarks::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (const QRect& part : marks_.frames)
    for (const QRect& side : sides(frameOf(part))) painter.fillRect(side, kFrameColour);
  if (marks_.box) drawDashed(painter, boxOf(*marks_.box));
  if (marks_.band) drawDashed(painter, *marks_.band);
}
