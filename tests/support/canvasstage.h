#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// A stand-in for the canvas: a widget of `size` filled with one colour, so that what a picture
// control placed on it lets through can be told apart on a grab.
inline void makeCanvasStage(QWidget& canvas, QSize size, QRgb colour) {
  canvas.resize(size);
  canvas.setAutoFillBackground(true);
  QPalette palette = canvas.palette();
  palette.setColor(QPalette::Window, QColor(colour));
  canvas.setPalette(palette);
}
