#include "ui/canvas/canvasview.h"

#include "edit/composition.h"
#include "ui/common/errorreport.h"
#include "ui/canvas/picturecontrol.h"
#include "ui/canvas/rubberband.h"
#include "ui/canvas/selectionmarks.h"
#include "ui/canvas/snapguides.h"
#include "ui/canvas/snapping.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>

#include <algorithm>

CanvasView::CanvasView(Composition& composition, QWidget* parent) : QScrollArea(parent), composition_(composition) {
  setObjectName(QStringLiteral("canvasScroll"));
  setFocusPolicy(Qt::ClickFocus);
  sheet_ = new QWidget;
  sheet_->setObjectName(QStringLiteral("canvasSheet"));
  content_ = new QWidget(sheet_);
  content_->setObjectName(QStringLiteral("canvas"));
  setWidget(sheet_);
  for (QWidget* w : {sheet_, content_, viewport()}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
  setWidgetResizable(false);
  // Whatever the user scrolls to is the place from then on.
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
    connect(bar, &QAbstractSlider::actionTriggered, this, [this] { place_.reset(); });
  background_ = makeControl(BACKGROUND_INDEX);
  background_->setObjectName(QStringLiteral("backgroundControl"));
  background_->setBounds({144, 44, 200, 60});
  background_->setStretch(true);
  marks_ = new SelectionMarks(viewport());
  guides_ = new SnapGuides(viewport());
  connect(&composition_, &Composition::partsReset, this, &CanvasView::rebuildParts);
  for (const auto signal : {&Composition::selectionChanged, &Composition::partsReset})
    connect(&composition_, signal, this, &CanvasView::scheduleMarks);
  for (const auto signal : {&Composition::partChanged, &Composition::partAdded})
    connect(&composition_, signal, this, &CanvasView::scheduleMarks);
  connect(&composition_, &Composition::partAdded, this, [this](int index) {
    PictureControl* c = makeControl(index);
    c->show();
    c->raise();  // a control made later lies above the ones made before it
    parts_[static_cast<size_t>(index)] = c;
    showPart(index);
  });
  connect(&composition_, &Composition::partChanged, this, &CanvasView::showPart);
  connect(&composition_, &Composition::backgroundChanged, this, [this] { showPart(BACKGROUND_INDEX); });
  // However the composition's drag ends, an edit made while the button is held included, the
  // pointer's ends with it.
  connect(&composition_, &Composition::dragEnded, this, &CanvasView::dragOver);
  // Escape calls off a drag, as in every editor, wherever the keyboard's focus is in the window.
  callOff_ = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &CanvasView::callOff, Qt::WindowShortcut);
  callOff_->setObjectName(QStringLiteral("cancelDragShortcut"));
  callOff_->setEnabled(false);
  connect(&composition_, &Composition::historyChanged, this, &CanvasView::updateCallOff);
}

void CanvasView::updateCallOff() { callOff_->setEnabled(composition_.isDragging() || (band_ && band_->drawn)); }

void CanvasView::callOff() {
  if (band_) {
    band_.reset();
    pressed_ = nullptr;
    updateCallOff();
    showMarks();
    return;
  }
  composition_.cancelDrag();
}

PictureControl* CanvasView::makeControl(int index) {
  auto* c = new PictureControl(index, content_);
  c->setScale(scale_);
  connect(c, &PictureControl::pressed, this,
          [this](PictureControl* s, Qt::MouseButton b, QPoint at, Qt::KeyboardModifiers modifiers) {
            guarded([&] { pressed(s, b, at, modifiers); });
          });
  connect(c, &PictureControl::moved, this, [this](PictureControl* s, QPoint at) { guarded([&] { moved(s, at); }); });
  connect(c, &PictureControl::released, this, [this](PictureControl* s) { guarded([&] { released(s); }); });
  connect(c, &PictureControl::boundsChanged, this, &CanvasView::updateExtent);
  c->installEventFilter(this);
  return c;
}

PictureControl* CanvasView::control(int index) const {
  if (index == BACKGROUND_INDEX) return background_;
  return index >= 0 && index < MAX_PARTS ? parts_[static_cast<size_t>(index)] : nullptr;
}

void CanvasView::rebuildParts() {
  for (PictureControl*& c : parts_) {
    delete c;
    c = nullptr;
  }
  for (int i = 0; i < composition_.partCount(); ++i) {
    PictureControl* c = makeControl(i);
    c->show();
    c->raise();
    parts_[static_cast<size_t>(i)] = c;
    showPart(i);
  }
  updateExtent();
}

void CanvasView::showPart(int index) {
  PictureControl* c = control(index);
  if (!c) return;
  c->showLayer(composition_.layer(index));
  c->setHint(composition_.hint(index));
}

QPoint CanvasView::centredTopLeft(QSize size) const {
  const auto logo = [this](int view, int side) {
    return clampToInt(scale_.logoPixel((view - scale_.screenEdge(side)) / 2));
  };
  return {logo(width(), size.width()), logo(height(), size.height())};
}

QPoint CanvasView::origin() const { return content_->mapTo(viewport(), QPoint(0, 0)); }

QPoint CanvasView::landingPoint(const QWidget* from, QPoint point) const {
  const QPoint onView = viewport()->mapFrom(from, point);
  const QPoint shown = content_->mapFrom(viewport(), viewport()->rect().contains(onView) ? onView : QPoint(0, 0));
  // A part landed in the margin would stand where the canvas cuts it off.
  const auto logo = [this](int screen) { return clampToInt(std::max<qint64>(scale_.logoPixel(screen), 0)); };
  return {logo(shown.x()), logo(shown.y())};
}

std::optional<QPoint> CanvasView::centreOnScreen(int index) const {
  const PictureControl* c = index == BACKGROUND_INDEX ? nullptr : control(index);
  if (!c) return std::nullopt;
  const auto middle = [this](qint64 start, qint64 size) {
    const qint64 first = scale_.screenEdge(start);
    return clampToInt(first + (scale_.screenEdge(start + size) - first) / 2);
  };
  return content_->mapToGlobal(QPoint(middle(c->left(), c->width()), middle(c->top(), c->height())));
}

bool CanvasView::movesTogether(int index) const {
  const Selection& selection = composition_.selection();
  return index != BACKGROUND_INDEX && selection.count() > 1 && selection.contains(index);
}

PointerDrag::Mode CanvasView::hoverOn(PictureControl* control, QPoint at) {
  using Target = PointerDrag::Target;
  const int index = control->partIndex();
  const bool text = composition_.part(index).kind == PartView::Kind::Text;
  const Target target = index == BACKGROUND_INDEX ? Target::Background
                        : movesTogether(index)    ? Target::OneOfSeveral
                        : text                    ? Target::TextPart
                                                  : Target::PicturePart;
  const PointerDrag::Mode mode = pointerDrag_.hover(at, control->size(), target, locks_, scale_);
  control->setCursor(PointerDrag::cursorFor(mode));
  return mode;
}

void CanvasView::pressed(PictureControl* sender, Qt::MouseButton button, QPoint at, Qt::KeyboardModifiers modifiers) {
  if (button != Qt::LeftButton || !sender) return;
  endDrag();                       // a release that never came
  setFocus(Qt::MouseFocusReason);  // the arrow keys and Delete act on what was pressed
  const int index = sender->partIndex();
  const bool background = index == BACKGROUND_INDEX;
  if (modifiers & Qt::ShiftModifier) {
    pressed_ = sender;
    startBand(sender->pos() + at, true, background ? std::nullopt : std::optional(index));
    return;
  }
  if (modifiers & Qt::ControlModifier) {
    if (!background) composition_.toggleSelected(index);
    return;
  }
  // A press on one of several keeps them all for a drag; only a click picks it out alone.
  if (movesTogether(index)) {
    aloneAtRelease_ = index;
    hoverOn(sender, at);  // the zone as it is now: several only ever move
  } else {
    composition_.select(index);
  }
  pointerDrag_.press(button, sender->pos() + at, sender->bounds(), scale_);
  pressed_ = sender;
  travelled_ = false;
  if (pointerDrag_.dragging()) {
    if (movesTogether(index)) together_ = Together{composition_.selectionBox(), sender->bounds()};
    composition_.beginDrag(index);
  }
  holdExtent(pointerDrag_.dragging());
}

void CanvasView::moved(PictureControl* sender, QPoint at) {
  if (!sender) return;
  if (band_) {
    if (sender == pressed_) bandTo(sender->pos() + at);
    return;
  }
  const int index = sender->partIndex();
  const bool background = index == BACKGROUND_INDEX;
  if (!pointerDrag_.dragging()) {
    hoverOn(sender, at);
    return;
  }
  // The pressed control has the mouse to itself; a move reported by another belongs to no drag.
  if (sender != pressed_) return;
  const std::optional<PointerDrag::Step> step = pointerDrag_.move(sender->pos() + at, background);
  if (!step) return;
  travelled_ = travelled_ || step->bounds != sender->bounds();
  if (!snapping_) {
    composition_.dragTo(step->bounds);
    return;
  }
  // Several parts snap as the box around them, against the lines of all that stay.
  Bounds moving = step->bounds;
  std::vector<int> dragged{index};
  if (together_) {
    moving = {together_->box.left + step->bounds.left - together_->pressed.left,
              together_->box.top + step->bounds.top - together_->pressed.top, together_->box.width,
              together_->box.height};
    dragged = composition_.selection().parts();
  }
  const snapping::Caught caught =
      snapping::snap(moving, snapping::motionsOf(pointerDrag_.mode()), snapping::linesBesides(composition_, dragged),
                     snapping::reachAt(scale_));
  Bounds to = caught.bounds;
  if (together_)
    to = {step->bounds.left + caught.bounds.left - moving.left, step->bounds.top + caught.bounds.top - moving.top,
          step->bounds.width, step->bounds.height};
  composition_.dragTo(to);
  // The guides stand on the viewport, where the controls' edges are shown: the same mapping, from
  // the canvas's origin as the scroll leaves it.
  const QPoint origin = this->origin();
  const auto onView = [this](std::optional<qint64> line, int from) {
    return line ? std::optional(clampToInt(from + scale_.screenEdge(*line))) : std::nullopt;
  };
  guides_->showAt(onView(caught.x, origin.x()), onView(caught.y, origin.y()));
}

void CanvasView::released(PictureControl* sender) {
  if (band_) {
    if (sender == pressed_) finishBand();
    return;
  }
  const std::optional<int> alone = std::exchange(aloneAtRelease_, std::nullopt);
  const bool clicked = !travelled_;
  endDrag();
  if (alone && clicked) composition_.select(*alone);
}

void CanvasView::endDrag() {
  composition_.endDrag();
  dragOver();  // the composition tells of a drag only while it has one
}

void CanvasView::dragOver() {
  together_.reset();
  if (!pointerDrag_.dragging()) return;
  pointerDrag_.release();
  pressed_ = nullptr;
  guides_->clear();
  holdExtent(false);
}

void CanvasView::startBand(QPoint pointer, bool adding, std::optional<int> toggle) {
  band_ = Band{pointer, pointer, adding, toggle, false};
}

void CanvasView::bandTo(QPoint pointer) {
  band_->to = pointer;
  if (!band_->drawn && (pointer - band_->from).manhattanLength() >= QApplication::startDragDistance()) {
    band_->drawn = true;
    updateCallOff();
  }
  if (band_->drawn) showMarks();
}

void CanvasView::finishBand() {
  const Band band = *std::exchange(band_, std::nullopt);
  pressed_ = nullptr;
  if (!band.drawn) {
    if (band.toggle) composition_.toggleSelected(*band.toggle);
    return;
  }
  updateCallOff();
  const Bounds within = rubberband::logoWithin(rubberband::spanned(band.from, band.to), scale_);
  std::vector<int> inside;
  for (int i = 0; i < composition_.partCount(); ++i)
    if (rubberband::holds(within, composition_.bounds(i))) inside.push_back(i);
  composition_.selectParts(inside, band.adding);
  showMarks();
}

void CanvasView::scheduleMarks() {
  if (std::exchange(marksDue_, true)) return;
  QMetaObject::invokeMethod(this, &CanvasView::showMarks, Qt::QueuedConnection);
}

void CanvasView::showMarks() {
  marksDue_ = false;
  SelectionMarks::Marks marks;
  const QPoint origin = this->origin();
  const Selection& selection = composition_.selection();
  for (int i : selection.parts()) marks.frames.push_back(scale_.screenRect(composition_.bounds(i)).translated(origin));
  if (selection.count() > 1) marks.box = scale_.screenRect(composition_.selectionBox()).translated(origin);
  if (band_ && band_->drawn) marks.band = rubberband::spanned(band_->from, band_->to).translated(origin);
  marks_->showMarks(std::move(marks));
}

void CanvasView::holdExtent(bool held) {
  extentHeld_ = held;
  if (!held) updateExtent();
}

void CanvasView::updateExtent() {
  if (extentHeld_) return;
  QPoint margin = content_->pos();
  QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
  Fit fit;
  if (place_) {
    // The zoom's place: the content's origin where it puts the logo point under the anchor. The
    // view's centre moves as bars come or go, so the keys' place is found for each set of bars in
    // turn, fewest first, until one needs just the bars it was found for.
    const QPointF shown = place_->logo * scale_.factor() - QPointF(0.5, 0.5);
    for (int bars = 0; bars < 4; ++bars) {
      const QSize view = maximumViewportSize() - QSize(bars & 2 ? barWidth() : 0, bars & 1 ? barHeight() : 0);
      const std::optional<Corner>& corner = place_->corner;
      place_->cornerHeld = corner && corner->logo.width() <= view.width() && corner->logo.height() <= view.height();
      QPoint origin;
      if (place_->cornerHeld) {
        const QPoint at(std::min(corner->at.x(), view.width() - corner->logo.width()),
                        std::min(corner->at.y(), view.height() - corner->logo.height()));
        origin = at - corner->logo.topLeft();
      } else {
        const QPoint anchor = place_->anchor.value_or(QRect(QPoint(0, 0), view).center());
        origin = anchor - QPoint(qRound(shown.x()), qRound(shown.y()));
      }
      margin = QPoint(std::max(origin.x(), 0), std::max(origin.y(), 0));
      scroll = margin - origin;
      // While a place is kept, the view as it stands is held too, or the bars would cut the scroll.
      fit = fitted(margin, scroll);
      if (place_->anchor || fit.view == view) break;
    }
    // Until Qt lays out the bars, the view stands as it was: the scroll must fit that one too, or
    // the place would hold only once the bars have come.
    fit.extent = fit.extent.expandedTo(viewport()->size() + QSize(scroll.x(), scroll.y()))
                     .boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  } else {
    // Margin scrolled out of view has done its work: the content moves up into its place.
    const QPoint trim(std::min(margin.x(), scroll.x()), std::min(margin.y(), scroll.y()));
    margin -= trim;
    scroll -= trim;
    fit = fitted(margin, QPoint(0, 0));
  }
  content_->setGeometry(QRect(margin, fit.extent - QSize(margin.x(), margin.y())));
  if (sheet_->size() != fit.extent) sheet_->resize(fit.extent);
  if (place_ || scroll != QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value())) {
    horizontalScrollBar()->setValue(scroll.x());
    verticalScrollBar()->setValue(scroll.y());
  }
}

int CanvasView::barWidth() const { return verticalScrollBar()->sizeHint().width(); }
int CanvasView::barHeight() const { return horizontalScrollBar()->sizeHint().height(); }

CanvasView::Fit CanvasView::fitted(QPoint margin, QPoint held) const {
  // The sheet grows to hold every control, so the scroll bars reach all of them.
  QSize needed(0, 0);
  for (const QObject* child : content_->children())
    if (const auto* w = qobject_cast<const QWidget*>(child))
      needed = needed.expandedTo(QSize(w->geometry().right() + 1, w->geometry().bottom() + 1));
  needed += QSize(margin.x(), margin.y());
  // It fills the viewport that is left beside the scroll bars the content needs, and no more, so
  // that no bar appears for the filling alone; a view held scrolled needs the bar it scrolls by.
  const QSize full = maximumViewportSize();
  bool wide = needed.width() > full.width() || held.x() > 0;
  const bool tall = needed.height() > full.height() - (wide ? barHeight() : 0) || held.y() > 0;
  wide = wide || needed.width() > full.width() - (tall ? barWidth() : 0);
  const QSize view(full.width() - (tall ? barWidth() : 0), full.height() - (wide ? barHeight() : 0));
  const QSize extent = needed.expandedTo(view + QSize(held.x(), held.y()));
  return {extent.boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)), view};
}

void CanvasView::showFromOrigin() {
  place_.reset();
  content_->move(0, 0);
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  updateExtent();
}

bool CanvasView::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
    const auto* w = static_cast<QWidget*>(watched);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // Controls are the content's children and the viewport its parent: through the screen serves both.
    const QPoint shown = content_->mapFromGlobal(w->mapToGlobal(mouse->position().toPoint()));
    if (type == QEvent::MouseMove)
      Q_EMIT pointerAt({clampToInt(scale_.logoPixel(shown.x())), clampToInt(scale_.logoPixel(shown.y()))});
    // The empty canvas around the controls: a press there draws a band once the pointer travels.
    // The event goes no further, or the sheet and the viewport would hear it too.
    if (!qobject_cast<const PictureControl*>(w)) {
      if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        endDrag();
        setFocus(Qt::MouseFocusReason);
        pressed_ = nullptr;
        startBand(shown, mouse->modifiers() & Qt::ShiftModifier, std::nullopt);
        return true;
      }
      if (band_ && !pressed_ && type == QEvent::MouseMove) {
        guarded([&] { bandTo(shown); });
        return true;
      }
      if (band_ && !pressed_ && type == QEvent::MouseButtonRelease) {
        guarded([&] { finishBand(); });
        return true;
      }
    }
  } else if (type == QEvent::Leave && watched == viewport()) {
    Q_EMIT pointerLeft();
  } else if (type == QEvent::Move && watched != viewport()) {
    scheduleMarks();  // scrolled, or the margin changed
  }
  return QScrollArea::eventFilter(watched, event);
}

bool CanvasView::viewportEvent(QEvent* event) {
  const bool handled = QScrollArea::viewportEvent(event);
  // After the scroll area's own handling, so that the bars' ranges know the new size; a place
  // kept is put back, as the bars a zoom brought in or out narrow or widen the view.
  if (event->type() == QEvent::Resize) {
    updateExtent();
    scheduleMarks();
  }
  return handled;
}

void CanvasView::zoomTo(ViewScale scale, std::optional<QPoint> anchor) {
  if (scale == scale_ || pointerDrag_.dragging() || band_) return;
  // The logo point under the anchor, to the fraction of a pixel, is put back under it. While the
  // last zoom's place about the same anchor is kept, its point is the one, so that zooming back
  // returns to the very view it came from rather than to the pixel a zoomed-out screen pixel shows.
  if (!place_ || place_->anchor != anchor || place_->cornerHeld) {
    const QPoint from = anchor ? *anchor : viewport()->rect().center();
    place_ =
        Place{(QPointF(content_->mapFrom(viewport(), from)) + QPointF(0.5, 0.5)) / scale_.factor(), anchor, {}, false};
  }
  // A small logo the user sees whole is not sent out of view by a zoom about an empty middle.
  const Bounds logo = background_->bounds();
  const QRect shown = scale_.screenRect(logo).translated(origin());
  place_->corner.reset();
  if (!anchor && viewport()->rect().contains(shown)) place_->corner = Corner{scale.screenRect(logo), shown.topLeft()};
  scale_ = scale;
  extentHeld_ = true;  // once for all the controls, not once each
  background_->setScale(scale_);
  for (PictureControl* c : parts_)
    if (c) c->setScale(scale_);
  extentHeld_ = false;
  updateExtent();
  scheduleMarks();
  Q_EMIT scaleChanged(scale_);
}

void CanvasView::zoomIn() { zoomTo(ViewScale::atStep(scale_.step() + 1)); }
void CanvasView::zoomOut() { zoomTo(ViewScale::atStep(scale_.step() - 1)); }
void CanvasView::zoomToActualSize() { zoomTo(ViewScale()); }

void CanvasView::keyPressEvent(QKeyEvent* event) {
  // The arrows nudge the selection a logo pixel, ten with Shift, rather than scroll the view.
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const int step = modifiers == Qt::ShiftModifier ? 10 : modifiers == Qt::NoModifier ? 1 : 0;
  QPoint by;
  switch (event->key()) {
    case Qt::Key_Left: by = {-step, 0}; break;
    case Qt::Key_Right: by = {step, 0}; break;
    case Qt::Key_Up: by = {0, -step}; break;
    case Qt::Key_Down: by = {0, step}; break;
    default: QScrollArea::keyPressEvent(event); return;
  }
  if (step == 0) {
    QScrollArea::keyPressEvent(event);
    return;
  }
  event->accept();
  guarded([&] { composition_.nudgeSelected(by.x(), by.y()); });
}

void CanvasView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QScrollArea::wheelEvent(event);
    return;
  }
  event->accept();
  // A notch is 120; finer wheels and touch pads send parts of one, which count once they add up.
  wheelTurn_ += event->angleDelta().y();
  const int notches = wheelTurn_ / 120;
  wheelTurn_ -= notches * 120;
  if (notches != 0) zoomTo(ViewScale::atStep(scale_.step() + notches), event->position().toPoint());
}
