#include "ui/dialogs/picturepreview.h"

#include "render/picturefile.h"

#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int kPaneSide = 160;

}  // namespace

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent),
      caption_(new QLabel(QStringLiteral("画像:"), this)),
      picture_(new QLabel(this)),
      button_(new QPushButton(QStringLiteral("プレビュー"), this)) {
  auto* layout = new QVBoxLayout(this);
  picture_->setFixedSize(kPaneSide, kPaneSide);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFrameShape(QFrame::StyledPanel);
  layout->addWidget(caption_);
  layout->addWidget(picture_);
  layout->addWidget(button_);
  layout->addStretch();
  button_->setEnabled(false);
  connect(button_, &QPushButton::clicked, this, &PicturePreview::showFullSize);
}

void PicturePreview::showFile(const QString& path) {
  image_ = {};
  if (QFileInfo(path).isFile()) {
    try {
      image_ = loadPictureFile(path);
    } catch (const std::exception&) {
      // A file the preview cannot read simply shows nothing; choosing it reports the error.
    }
  }
  if (image_.isNull()) {
    caption_->setText(QStringLiteral("画像:"));
    picture_->clear();
    button_->setEnabled(false);
    return;
  }
  caption_->setText(QStringLiteral(" (%1x%2)").arg(image_.width()).arg(image_.height()));
  picture_->setPixmap(
      QPixmap::fromImage(image_.scaled(kPaneSide, kPaneSide, Qt::KeepAspectRatio, Qt::FastTransformation)));
  button_->setEnabled(true);
}

void PicturePreview::showFullSize() {
  QDialog view(this);
  view.setWindowTitle(QStringLiteral("プレビュー"));
  auto* layout = new QVBoxLayout(&view);
  auto* scroll = new QScrollArea(&view);
  auto* label = new QLabel;
  label->setPixmap(QPixmap::fromImage(image_));
  scroll->setWidget(label);
  layout->addWidget(scroll);
  view.resize(640, 480);
  view.exec();
}

bool PicturePreview::eventFilter(QObject* watched, QEvent* event) {
  // A dialog opened again offers the file chosen last time, and Qt says nothing of it: the pane
  // shows it as it would had the user just picked it.
  if (event->type() == QEvent::Show)
    if (auto* dialog = qobject_cast<QFileDialog*>(watched)) showFile(dialog->selectedFiles().value(0));
  return QWidget::eventFilter(watched, event);
}

PicturePreview* attachPicturePreview(QFileDialog* dialog) {
  auto* preview = new PicturePreview(dialog);
  dialog->installEventFilter(preview);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
    grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
  QObject::connect(dialog, &QFileDialog::currentChanged, preview, &PicturePreview::showFile);
  return preview;
}
