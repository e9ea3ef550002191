#include "ui/main/canvasview.h"

#include "model/document.h"
#include "ui/main/picturecontrol.h"

#include <QEvent>
#include <QScrollBar>

CanvasView::CanvasView(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("canvasScroll"));
  content_ = new QWidget;
  content_->setObjectName(QStringLiteral("canvas"));
  setWidget(content_);
  setWidgetResizable(false);
  background_ = new PictureControl(BACKGROUND_INDEX, content_);
  background_->setBounds({144, 44, 200, 60});
  background_->setStretch(true);
}

void CanvasView::centreBackground() {
  background_->setLeft((width() - background_->width()) / 2);
  background_->setTop((height() - background_->height()) / 2);
}

QPoint CanvasView::landingPoint(const QWidget* from, QPoint point) const {
  const QPoint onView = viewport()->mapFrom(from, point);
  return viewport()->rect().contains(onView) ? content_->mapFrom(from, point)
                                             : content_->mapFrom(viewport(), QPoint(0, 0));
}

void CanvasView::holdExtent(bool held) {
  extentHeld_ = held;
  if (!held) updateExtent();
}

void CanvasView::updateExtent() {
  if (extentHeld_) return;
  // The content grows to hold every control, so the scroll bars reach all of them.
  QSize needed(0, 0);
  for (const QObject* child : content_->children())
    if (const auto* w = qobject_cast<const QWidget*>(child))
      needed = needed.expandedTo(QSize(w->geometry().right() + 1, w->geometry().bottom() + 1));
  // It fills the viewport that is left beside the scroll bars the content needs, and no more, so
  // that no bar appears for the filling alone.
  const QSize full = maximumViewportSize();
  const int barHeight = horizontalScrollBar()->sizeHint().height();
  const int barWidth = verticalScrollBar()->sizeHint().width();
  bool wide = needed.width() > full.width();
  const bool tall = needed.height() > full.height() - (wide ? barHeight : 0);
  wide = needed.width() > full.width() - (tall ? barWidth : 0);
  const QSize view(full.width() - (tall ? barWidth : 0), full.height() - (wide ? barHeight : 0));
  const QSize extent = needed.expandedTo(view).boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  if (content_->size() != extent) content_->resize(extent);
}

bool CanvasView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) updateExtent();
  return QScrollArea::viewportEvent(event);
}
