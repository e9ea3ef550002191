#include "ui/window/partclipboard.h"

#include "render/pngcodec.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>
#include <QUrl>
#include <QUuid>

namespace {

// The copy's mark: a part copied twice is two copies, each with pastes of its own.
constexpr char CopyMarkType[] = "application/x-pelmora-part-mark";

// The last parts this program put on the clipboard, with what they showed, and the pastes of each
// copy seen so far. Shared by every window, as the clipboard is.
struct Copied {
  QByteArray mark;
  std::vector<PartCopy> parts;
  QHash<QByteArray, int> pastes;
};

Copied& copied() {
  static Copied state;
  return state;
}

}  // namespace

void PartClipboard::putParts(const std::vector<PartCopy>& copies) {
  auto* data = new QMimeData;
  const QByteArray mark = QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
  data->setData(QString::fromLatin1(PartCopy::MimeType), PartCopy::listBytes(copies));
  data->setData(QString::fromLatin1(CopyMarkType), mark);
  if (const QString text = PartCopy::listPlainText(copies); !text.isEmpty()) data->setText(text);
  copied().mark = mark;
  copied().parts = copies;
  QGuiApplication::clipboard()->setMimeData(data);
}

void PartClipboard::putImage(const QImage& image) {
  if (!image.hasAlphaChannel()) return QGuiApplication::clipboard()->setImage(image);
  // Programs that paste read the alpha from image/png; Qt's own image type stays for the rest.
  auto* data = new QMimeData;
  data->setImageData(image);
  data->setData(QStringLiteral("image/png"), encodePng(image, PngPixels::Rgba));
  QGuiApplication::clipboard()->setMimeData(data);
}

bool PartClipboard::offersPaste() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && (data->hasFormat(QString::fromLatin1(PartCopy::MimeType)) || data->hasUrls() || data->hasText());
}

void PartClipboard::countPaste(const Paste& paste) { ++copied().pastes[paste.mark]; }

PartClipboard::Paste PartClipboard::take() {
  Paste paste;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data) return paste;
  if (data->hasFormat(QString::fromLatin1(PartCopy::MimeType))) {
    // A part copied since, in another program, bears another mark.
    const QByteArray mark = data->data(QString::fromLatin1(CopyMarkType));
    Copied& state = copied();
    paste.parts = !mark.isEmpty() && mark == state.mark
                      ? state.parts
                      : PartCopy::listFromBytes(data->data(QString::fromLatin1(PartCopy::MimeType)));
    paste.mark = mark;
    paste.shift = 10 * (state.pastes.value(mark) + 1);
    return paste;
  }
  if (data->hasUrls()) {
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paste.files << url.toLocalFile();
    if (!paste.files.isEmpty()) return paste;
  }
  if (data->hasText()) paste.text = data->text();
  return paste;
}
