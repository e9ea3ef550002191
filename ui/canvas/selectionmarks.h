#pragma once

#include <QRect>
#include <QRegion>
#include <QWidget>

#include <optional>
#include <vector>

// What shows the selection over the canvas's view, as the snap guides do: a one-pixel frame just
// outside each selected part, a dashed box a little further out around several, and the rubber
// band while one is dragged out, dashed on its own edge pixels. It lets every mouse event through
// to the controls beneath.
class SelectionMarks : public QWidget {
public:
  // Rectangles of the viewport: the parts' and the box's as the controls show them, the band's
  // pixels as the pointer spans them.
  struct Marks {
    std::vector<QRect> frames;
    std::optional<QRect> box;
    std::optional<QRect> band;
    friend bool operator==(const Marks&, const Marks&) = default;
  };

  // How far outside a part its frame runs, and the box outside the parts it holds: a pixel's gap
  // between the box and a frame along it keeps the two apart.
  static constexpr int kFrameOut = 1;
  static constexpr int kBoxOut = 3;
  // The dashes alternate dark and light in runs of this many pixels, so they show on any logo.
  static constexpr int kDash = 4;

  explicit SelectionMarks(QWidget* viewport);

  void showMarks(Marks marks);
  const Marks& marks() const { return marks_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // The pixels the marks cover, so that a change repaints only the outlines, not the parts within.
  static QRegion outlines(const Marks& marks);

  Marks marks_;
};
