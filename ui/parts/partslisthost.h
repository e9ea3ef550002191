#pragma once

class Composition;

#include <QPoint>

#include <optional>
#include <vector>

// What the parts list needs of the window that owns it: the composition to list, whose signals
// its rows follow, and the few things a click in the list does there.
class PartsListHost {
public:
  virtual const Composition& composition() const = 0;
  // Selects the part in the composition, as a press on it would.
  virtual void selectPart(int index) = 0;
  // Selects the parts alone, in table order, as rows chosen with Shift and Ctrl do.
  virtual void selectParts(const std::vector<int>& indices) = 0;
  // The panel shows nothing and the background is selected.
  virtual void resetPanel() = 0;
  virtual void removePart(int index) = 0;
  // Removes every selected part as one step.
  virtual void removeSelected() = 0;
  // Where the part's centre is on the screen, when the part has a control.
  virtual std::optional<QPoint> partCentreOnScreen(int index) const = 0;

protected:
  ~PartsListHost() = default;
};
