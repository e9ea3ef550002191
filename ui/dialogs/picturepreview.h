#pragma once

class QFileDialog;
class QLabel;
class QPushButton;
class QString;

#include <QWidget>

// The preview pane beside the picture dialogs: the chosen file's picture, its size in the label,
// and a button that shows it at full size.
class PicturePreview : public QWidget {
  Q_OBJECT
public:
  explicit PicturePreview(QWidget* parent = nullptr);

  void showFile(const QString& path);

  QLabel* caption() const { return caption_; }
  QLabel* picture() const { return picture_; }
  QPushButton* previewButton() const { return button_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void showFullSize();

  QLabel* caption_;
  QLabel* picture_;
  QPushButton* button_;
  QImage image_;
};

PicturePreview* attachPicturePreview(QFileDialog* dialog);
