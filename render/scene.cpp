#include "render/scene.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/picturefile.h"
#include "render/raster.h"
#include "render/textrender.h"

#include <algorithm>
#include <limits>
#include <system_error>
#include <utility>

namespace {

constexpr int kUnknownKindSide = 105;

// Width and height are both zero until the part has been placed on the canvas; either zero means
// the record holds no usable bounds.
bool placed(const TPartData& r) { return r.Width != 0 && r.Height != 0; }

Bounds savedBounds(const TPartData& r) { return placed(r) ? partBounds(r) : Bounds{}; }

// checkScaleFits() has made sure that these fit.
Bounds scaled(const Bounds& b, int scale) {
  return {clampToInt(qint64{b.left} * scale), clampToInt(qint64{b.top} * scale), clampToInt(qint64{b.width} * scale),
          clampToInt(qint64{b.height} * scale)};
}

bool fitScaled(std::initializer_list<qint64> values, int scale) {
  return std::all_of(values.begin(), values.end(), [scale](qint64 v) {
    return v * scale >= std::numeric_limits<int>::min() && v * scale <= std::numeric_limits<int>::max();
  });
}

Layer newBackground(QRgb fill, const Bounds& bounds) {
  Layer layer;
  layer.raster = makeWhiteRaster(NEW_BACKGROUND_WIDTH, NEW_BACKGROUND_HEIGHT);
  layer.raster.fill(fill);
  layer.bounds = bounds;
  layer.stretch = true;
  return layer;
}

// Messages about files mostly name the file already; the others get it put in front.
QString failureLine(const QString& subject, const Failure& failure) {
  return failure.message().contains(subject) ? failure.message()
                                             : QStringLiteral("%1: %2").arg(subject, failure.message());
}

}  // namespace

Layer backgroundLayer(const TDocument& doc, int scale) {
  const QString file = fixedString(doc.BackFile);
  if (file.isEmpty()) return newBackground(rgbFromColour(doc.BackColor), scaled(backgroundBounds(doc), scale));
  Layer layer;
  layer.raster = loadPictureFile(file);
  layer.bounds = scaled(backgroundBounds(doc), scale);
  layer.stretch = true;
  return layer;
}

Layer partLayer(const TPartData& record, int dpi, int scale) {
  Layer layer;
  if (record.Kind == pkText) {
    TextRaster text = renderTextPart(record, dpi, scale);
    const Bounds at = scaled(savedBounds(record), scale);
    layer.bounds = {at.left, at.top, text.controlSize.width(), text.controlSize.height()};
    layer.raster = std::move(text.raster);
    layer.transparent = record.FillOn != 1;
  } else if (record.Kind == pkPicture) {
    layer.raster = loadPictureFile(fixedString(record.FileName));
    layer.bounds =
        scaled(placed(record) ? savedBounds(record) : Bounds{0, 0, layer.raster.width(), layer.raster.height()}, scale);
    layer.stretch = true;
    layer.transparent = true;
  } else {
    layer.bounds = scaled({0, 0, kUnknownKindSide, kUnknownKindSide}, scale);
  }
  return layer;
}

void checkScaleFits(const TDocument& doc, int scale) {
  if (scale < 1 || scale > MAX_LOGO_SCALE)
    throw Failure(QStringLiteral("倍率 %1 は 1 から %2 の整数ではありません").arg(scale).arg(MAX_LOGO_SCALE));
  if (!fitScaled({doc.BackLeft, doc.BackTop, doc.BackWidth, doc.BackHeight}, scale))
    throw Failure(QStringLiteral("背景の位置または大きさが %1 倍のロゴには大きすぎます").arg(scale));
  for (int i = 0; i < std::clamp(doc.PartCount, 0, MAX_PARTS); ++i) {
    const TPartData& r = doc.Parts[i];
    if (!fitScaled({r.Left, r.Top, r.Width, r.Height, r.ShadowX, r.ShadowY}, scale))
      throw Failure(
          QStringLiteral("%1 番目の部品の位置または大きさが %2 倍のロゴには大きすぎます").arg(i + 1).arg(scale));
  }
}

BuiltLayer buildBackground(const TDocument& doc, int scale) {
  BuiltLayer built;
  try {
    built.layer = backgroundLayer(doc, scale);
  } catch (const Failure& failure) {
    built.failure = failureLine(fixedString(doc.BackFile), failure);
    built.layer = newBackground(qRgb(255, 255, 255), scaled(backgroundBounds(doc), scale));
  }
  return built;
}

BuiltLayer buildPart(const TPartData& record, int index, int dpi, int scale) {
  BuiltLayer built;
  try {
    built.layer = partLayer(record, dpi, scale);
  } catch (const Failure& failure) {
    const bool picture = record.Kind == pkPicture;
    built.failure =
        failureLine(picture ? fixedString(record.FileName) : QStringLiteral("%1 番目の部品").arg(index + 1), failure);
    built.layer.bounds = scaled(savedBounds(record), scale);
    built.layer.stretch = picture;
    built.layer.transparent = picture || record.FillOn != 1;
  }
  return built;
}

PendingScene::PendingScene(const TDocument& doc, int dpi, bool bandsUpward, std::vector<std::optional<Layer>> made,
                           LogoOptions options)
    : doc_(doc), dpi_(dpi), scale_(options.scale) {
  checkScaleFits(doc, scale_);
  const int count = std::clamp(doc.PartCount, 0, MAX_PARTS);
  slots_.resize(static_cast<size_t>(count) + 1);
  for (size_t slot = 0; slot < slots_.size() && slot < made.size(); ++slot) {
    if (!made[slot]) continue;
    // A picture is the same picture stretched further; text is laid out anew at its larger size.
    if (scale_ != 1 && slot > 0 && doc.Parts[slot - 1].Kind != pkPicture) continue;
    slots_[slot].built.layer = std::move(*made[slot]);
    slots_[slot].built.layer.bounds = scaled(slots_[slot].built.layer.bounds, scale_);
    slots_[slot].ready = slots_[slot].given = true;
  }
  if (options.backdrop == Backdrop::Clear && !slots_[0].ready) {
    slots_[0].built.layer.bounds = scaled(backgroundBounds(doc), scale_);  // no pixels: never drawn
    slots_[0].ready = true;
  }
  std::vector<size_t> pictures;
  for (int i = 0; i < count; ++i) {
    const size_t slot = static_cast<size_t>(i) + 1;
    slots_[slot].text = doc.Parts[i].Kind == pkText;
    if (!slots_[slot].ready) (slots_[slot].text ? textOrder_ : pictures).push_back(slot);
  }
  // Pictures whose place is unknown until they are decoded land at the top-left: first in either
  // direction, since the first band to reach them has to wait for them.
  const auto firstBand = [&](size_t slot) {
    const std::optional<Bounds> b = partBoundsAhead(static_cast<int>(slot) - 1);
    if (!b) return std::numeric_limits<qint64>::min();
    return bandsUpward ? -(qint64{b->top} + b->height) : qint64{b->top};
  };
  std::stable_sort(pictures.begin(), pictures.end(), [&](size_t a, size_t b) { return firstBand(a) < firstBand(b); });
  // Text parts by their top, the only edge known before they are drawn.
  const auto topOf = [&](size_t slot) {
    const qint64 top = *partTopAhead(static_cast<int>(slot) - 1);
    return bandsUpward ? -top : top;
  };
  std::stable_sort(textOrder_.begin(), textOrder_.end(), [&](size_t a, size_t b) { return topOf(a) < topOf(b); });
  if (!slots_[0].ready) pictureOrder_.push_back(0);
  pictureOrder_.insert(pictureOrder_.end(), pictures.begin(), pictures.end());
  try {
    pictures_ = std::jthread([this] { decodePictures(true); });
  } catch (const std::system_error&) {
    decodePictures(false);  // no thread to be had: all of them first
  }
  // The text parts on a thread of their own too: the thread that codes the logo would otherwise
  // spend as long loading fonts and drawing them as coding it.
  try {
    text_ = std::jthread([this] {
      try {
        drawText(true);
      } catch (...) {
      }
    });
    textMade_ = true;
  } catch (const std::system_error&) {
    // makeOnThisThread() draws them
  }
}

PendingScene::~PendingScene() = default;

Bounds PendingScene::logoBounds() const { return scaled(backgroundBounds(doc_), scale_); }

int PendingScene::partCount() const { return static_cast<int>(slots_.size()) - 1; }

std::optional<Bounds> PendingScene::partBoundsAhead(int index) const {
  // A layer made before is never written again, so it may be read without the lock.
  if (const Slot& slot = slots_[static_cast<size_t>(index) + 1]; slot.given) return slot.built.layer.bounds;
  const TPartData& record = doc_.Parts[index];
  if (record.Kind != pkPicture || !placed(record)) return std::nullopt;
  return scaled(savedBounds(record), scale_);
}

std::optional<int> PendingScene::partTopAhead(int index) const {
  if (const Slot& slot = slots_[static_cast<size_t>(index) + 1]; slot.given) return slot.built.layer.bounds.top;
  const TPartData& record = doc_.Parts[index];
  return record.Kind == pkText || record.Kind == pkPicture ? scaled(savedBounds(record), scale_).top : 0;
}

void PendingScene::makeSlot(size_t slot) {
  BuiltLayer built = slot == 0 ? buildBackground(doc_, scale_)
                               : buildPart(doc_.Parts[slot - 1], static_cast<int>(slot) - 1, dpi_, scale_);
  const std::lock_guard lock(mutex_);
  slots_[slot].built = std::move(built);
  slots_[slot].ready = true;
  madeOne_.notify_all();
}

void PendingScene::decodePictures(bool paced) {
  for (size_t slot : pictureOrder_) {
    try {
      {
        const std::lock_guard lock(mutex_);
        if (stopped_) return;
      }
      makePaced(slot, paced);
    } catch (...) {
      stop(std::current_exception());
      return;
    }
  }
}

void PendingScene::makeOnThisThread() {
  if (textMade_) return;
  textMade_ = true;
  drawText(false);
}

void PendingScene::release(int index) {
  const std::lock_guard lock(mutex_);
  Slot& slot = slots_[static_cast<size_t>(index) + 1];
  slot.built.layer.raster = QImage();
  (slot.text ? textAhead_ : picturesAhead_).bytes -= std::exchange(slot.aheadBytes, 0);
  madeOne_.notify_all();
}

namespace {

// Rasters made ahead of the logo's bands, by each making thread: enough to keep the logo's
// thread from waiting, little against the decoded pictures themselves.
constexpr qint64 PICTURES_AHEAD_BYTES = qint64{32} << 20;
constexpr qint64 TEXT_AHEAD_BYTES = qint64{4} << 20;

}  // namespace

void PendingScene::makePaced(size_t slot, bool paced) {
  Ahead& ahead = slots_[slot].text ? textAhead_ : picturesAhead_;
  const qint64 limit = slots_[slot].text ? TEXT_AHEAD_BYTES : PICTURES_AHEAD_BYTES;
  if (paced) {
    std::unique_lock lock(mutex_);
    madeOne_.wait(lock, [&] { return stopped_ || ahead.waitedFor > 0 || ahead.bytes < limit; });
  }
  makeSlot(slot);
  // The background lasts as long as the logo: it is never ahead of it.
  if (paced && slot > 0) {
    const std::lock_guard lock(mutex_);
    slots_[slot].aheadBytes = slots_[slot].built.layer.raster.sizeInBytes();
    ahead.bytes += slots_[slot].aheadBytes;
  }
}

void PendingScene::drawText(bool paced) {
  for (size_t slot : textOrder_) {
    try {
      makePaced(slot, paced);
    } catch (...) {
      stop(std::current_exception());  // the parts left would otherwise be waited for for ever
      throw;
    }
  }
}

void PendingScene::stop(std::exception_ptr reason) {
  const std::lock_guard lock(mutex_);
  if (!stopped_) stopped_ = std::move(reason);
  madeOne_.notify_all();
}

const BuiltLayer& PendingScene::wait(size_t slot) {
  std::unique_lock lock(mutex_);
  // A layer waited for is made whatever its thread has made ahead.
  Ahead* ahead = slots_[slot].ready ? nullptr : slots_[slot].text ? &textAhead_ : &picturesAhead_;
  if (ahead) {
    ++ahead->waitedFor;
    madeOne_.notify_all();
  }
  madeOne_.wait(lock, [&] { return slots_[slot].ready || stopped_; });
  if (ahead) --ahead->waitedFor;
  if (!slots_[slot].ready) std::rethrow_exception(stopped_);
  return slots_[slot].built;
}

namespace {

const Layer& madeLayer(const BuiltLayer& built) {
  if (!built.failure.isEmpty()) throw Failure(built.failure);
  return built.layer;
}

}  // namespace

const Layer& PendingScene::background() { return madeLayer(wait(0)); }

const Layer& PendingScene::part(int index) { return madeLayer(wait(static_cast<size_t>(index) + 1)); }

QStringList PendingScene::failedFiles() {
  makeOnThisThread();
  QStringList lines;
  for (size_t slot = 0; slot < slots_.size(); ++slot)
    if (const BuiltLayer& built = wait(slot); !built.failure.isEmpty()) lines << built.failure;
  return lines;
}

void PendingScene::finish() {
  const QStringList lines = failedFiles();
  if (!lines.isEmpty()) throw Failure(lines.join(u'\n'));
}

Scene PendingScene::take() {
  Scene scene;
  scene.failedFiles = failedFiles();
  if (pictures_.joinable()) pictures_.join();
  if (text_.joinable()) text_.join();
  scene.background = std::move(slots_[0].built.layer);
  scene.parts.reserve(slots_.size() - 1);
  for (size_t slot = 1; slot < slots_.size(); ++slot) scene.parts.push_back(std::move(slots_[slot].built.layer));
  return scene;
}

Scene buildScene(const TDocument& doc, int dpi) {
  // The pictures and the text parts are made on threads of their own: on two cores the two take
  // about as long.
  PendingScene pending(doc, dpi, false);
  return pending.take();
}
