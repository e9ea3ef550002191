#pragma once

#include <QWidget>

#include <optional>

// Sets `overlay` up as a layer drawn over the canvas's view: hidden until shown, see-through where it
// draws nothing, and letting every mouse event through to the controls beneath.
void setUpViewOverlay(QWidget* overlay, const QString& name);

// The lines a snapped drag caught, drawn over the canvas's view: a column for a line across, a
// row for a line down, each a screen pixel wide across the whole view. It lets every mouse event
// through to the controls beneath, so it never takes a drag's events.
class SnapGuides : public QWidget {
public:
  explicit SnapGuides(QWidget* viewport);

  // Shows the column `x` and the row `y` of the viewport, those given; neither hides the guides.
  void showAt(std::optional<int> x, std::optional<int> y);
  void clear() { showAt(std::nullopt, std::nullopt); }

  std::optional<int> column() const { return x_; }
  std::optional<int> row() const { return y_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::optional<int> x_;
  std::optional<int> y_;
};
