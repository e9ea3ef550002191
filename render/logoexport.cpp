#include "render/logoexport.h"

#include "model/failure.h"
#include "model/paths.h"
#include "model/regularfile.h"
#include "render/bmpwriter.h"
#include "render/jpegcodec.h"
#include "render/pngcodec.h"
#include "render/raster.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// The logo's rows, composed a band at a time: white where nothing else can show, the background,
// then every part in order; or, on a clear backdrop, the parts alone. Each band is exactly the same rows of the whole
// logo composed at once. A layer is asked for only when the first band it may reach is composed, so the layers can
// still be in the making while the bands above (or below) them are composed.
class LogoComposer {
public:
  LogoComposer(LogoLayers& layers, Backdrop backdrop)
      : layers_(layers), clear_(backdrop == Backdrop::Clear), slots_(static_cast<size_t>(layers.partCount())) {
    const Bounds b = layers.logoBounds();
    if (b.width <= 0 || b.height <= 0)
      throw Failure(QStringLiteral("背景の幅または高さが 0 以下 (%1 x %2) のため、ロゴを作成できません")
                        .arg(b.width)
                        .arg(b.height));
    checkRasterSize(b.width, b.height);
    size_ = QSize(b.width, b.height);
    origin_ = QPoint(b.left, b.top);
  }

  QSize size() const { return size_; }
  LogoLayers& layers() { return layers_; }
  bool clear() const { return clear_; }
  QImage::Format format() const { return clear_ ? QImage::Format_ARGB32 : QImage::Format_RGB32; }

  // Composes logo rows [top, top + band.height()) into `band`. Bands go in one direction, top down
  // or bottom up, so that each layer's rows are freed once it has been passed.
  void compose(QImage& band, int top, bool upward) {
    const int end = top + band.height();
    if (clear_)
      band.fill(0);
    else
      composeBackground(band, top, upward);
    for (size_t i = 0; i < slots_.size(); ++i) {
      Slot& slot = slots_[i];
      if (slot.passed) continue;
      if (!slot.layer) {
        const std::optional<Bounds> ahead = layers_.partBoundsAhead(static_cast<int>(i));
        if (ahead) {
          const QRect r = landingRect(*ahead, origin_, size_);
          if (r.isEmpty() || (upward ? r.top() >= end : r.bottom() < top)) {
            pass(i);  // lands nothing, or only on bands already written
            continue;
          }
          if (r.top() >= end || r.bottom() < top) continue;  // not yet
        } else if (!upward) {
          const std::optional<int> partTop = layers_.partTopAhead(static_cast<int>(i));
          if (partTop && qint64{*partTop} - origin_.y() >= end) continue;  // starts further down
        }
        slot.layer.emplace(layers_.part(static_cast<int>(i)), origin_, size_);
        if (!slot.layer->lands()) {
          pass(i);
          continue;
        }
      }
      if (draw(*slot.layer, band, top, upward)) pass(i);
    }
  }

private:
  // Part `i` has nothing left to draw: neither the band drawer nor the layer need stay.
  void pass(size_t i) {
    slots_[i].layer.reset();
    slots_[i].passed = true;
    layers_.release(static_cast<int>(i));
  }

  void composeBackground(QImage& band, int top, bool upward) {
    if (!background_) {
      background_.emplace(layers_.background(), origin_, size_);
      // An opaque background stretched over its whole rectangle writes every pixel of the logo,
      // so the white beneath it is only laid when something of it could show.
      const Layer& b = layers_.background();
      whiteBeneath_ = !(b.stretch && !b.transparent && background_->lands());
    }
    if (whiteBeneath_) band.fill(Qt::white);
    draw(*background_, band, top, upward);
  }

  // Draws what `layer` lands on the band; true once the layer has no rows left for later bands.
  static bool draw(LayerBands& layer, QImage& band, int top, bool upward) {
    const int end = top + band.height();
    const QRect r = layer.rect();
    if (r.top() < end && r.bottom() >= top) layer.draw(band, top);
    const bool done = upward ? r.top() >= top : r.bottom() < end;
    if (done) layer.release();
    return done;
  }

  struct Slot {
    std::optional<LayerBands> layer;  // once asked for, while it has rows left
    bool passed = false;              // lands nothing, or nothing more
  };

  LogoLayers& layers_;
  bool clear_;
  QSize size_;
  QPoint origin_;
  bool whiteBeneath_ = true;
  std::optional<LayerBands> background_;
  std::vector<Slot> slots_;
};

// Bands are whole JPEG coding units of 4:2:0 subsampling tall, and about a megabyte, so that a
// band is still in the cache when the encoder reads it.
constexpr int CODING_UNIT_ROWS = 16;
constexpr qint64 BAND_BYTES = qint64{1} << 20;

// The logo file, whole or not at all, taking the encoders' bytes.
class LogoFile final : public ByteSink {
public:
  explicit LogoFile(const QString& path) : file_(path) {}

  bool put(const char* data, qsizetype size) noexcept override { return file_.put(QByteArrayView(data, size)); }
  void write(const QByteArray& bytes) { file_.write(bytes); }
  void commit() { file_.commit(); }

private:
  WholeFile file_;
};

// Memory for bands, and each band as an image over it. The views never share the memory's
// reference count, so writing into one never makes a copy.
class BandBuffers {
public:
  BandBuffers(int count, int width, int rows, QImage::Format format) {
    for (int i = 0; i < count; ++i) {
      QImage buffer(width, rows, format);
      if (buffer.isNull()) throw Failure(QStringLiteral("メモリが足りません (%1 x %2 ピクセル)").arg(width).arg(rows));
      bits_.push_back(buffer.bits());
      buffers_.push_back(std::move(buffer));
    }
  }

  int count() const { return static_cast<int>(buffers_.size()); }

  // Band `n`'s first `rows` lines.
  QImage view(int n, int rows) const {
    const QImage& buffer = buffers_[static_cast<size_t>(n % count())];
    return QImage(bits_[static_cast<size_t>(n % count())], buffer.width(), rows, buffer.bytesPerLine(),
                  buffer.format());
  }

private:
  std::vector<QImage> buffers_;
  std::vector<uchar*> bits_;
};

// Composes the logo band by band on a second thread while this one hands each finished band to
// `write`, in order: top down, or bottom up when `upward`. A few bands are in flight at once; the
// whole logo never is. A failure on either side stops both and is thrown here.
template <typename Write>
void composeInBands(LogoComposer& composer, bool upward, const Write& write) {
  const int width = composer.size().width();
  const int height = composer.size().height();
  const int rows = logoBandRows(width);
  const int bands = (height + rows - 1) / rows;
  const auto topOf = [&](int n) { return (upward ? bands - 1 - n : n) * rows; };
  const auto rowsOf = [&](int n) { return std::min(rows, height - topOf(n)); };

  constexpr int IN_FLIGHT = 3;
  const BandBuffers buffers(std::min(IN_FLIGHT, bands), width, std::min(rows, height), composer.format());

  std::mutex mutex;
  std::condition_variable changed;
  int composed = 0;  // bands ready for writing
  int written = 0;   // bands written, whose buffers are free again
  bool stop = false;
  std::exception_ptr composeFailure;

  const auto composeAll = [&] {
    try {
      for (int n = 0; n < bands; ++n) {
        {
          std::unique_lock lock(mutex);
          changed.wait(lock, [&] { return stop || n - written < buffers.count(); });
          if (stop) return;
        }
        QImage band = buffers.view(n, rowsOf(n));
        composer.compose(band, topOf(n), upward);
        std::lock_guard lock(mutex);
        composed = n + 1;
        changed.notify_all();
      }
    } catch (...) {
      std::lock_guard lock(mutex);
      composeFailure = std::current_exception();
      stop = true;
      changed.notify_all();
    }
  };

  std::jthread composing;
  try {
    composing = std::jthread(composeAll);
  } catch (const std::system_error&) {
    // No second thread to be had: each band composed, then written.
    composer.layers().makeOnThisThread();
    for (int n = 0; n < bands; ++n) {
      QImage band = buffers.view(0, rowsOf(n));
      composer.compose(band, topOf(n), upward);
      write(std::as_const(band), topOf(n));
    }
    return;
  }
  try {
    composer.layers().makeOnThisThread();
    for (int n = 0; n < bands; ++n) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stop || composed > n; });
        if (composeFailure) std::rethrow_exception(composeFailure);
      }
      const QImage band = buffers.view(n, rowsOf(n));
      write(band, topOf(n));
      std::lock_guard lock(mutex);
      written = n + 1;
      changed.notify_all();
    }
  } catch (...) {
    {
      std::lock_guard lock(mutex);
      stop = true;
      changed.notify_all();
    }
    composing.join();
    throw;
  }
}

void writeJpeg(LogoComposer& composer, LogoFile& file) {
  JpegRowEncoder encoder(composer.size().width(), composer.size().height(), file);
  composeInBands(composer, false, [&](const QImage& band, int) { encoder.write(band); });
  encoder.finish();
}

void writePng(LogoComposer& composer, LogoFile& file) {
  PngRowEncoder encoder(composer.size().width(), composer.size().height(), file,
                        composer.clear() ? PngPixels::Rgba : PngPixels::Rgb);
  composeInBands(composer, false, [&](const QImage& band, int) { encoder.write(band); });
  encoder.finish();
}

// Bottom row first, as the format stores them: the bands are composed from the last one up.
void writeBmp(LogoComposer& composer, LogoFile& file) {
  const int width = composer.size().width();
  const BmpPixels pixels = composer.clear() ? BmpPixels::Bgra : BmpPixels::Bgr0;
  file.write(bmpHeaders(width, composer.size().height(), pixels));
  const qsizetype rowBytes = qsizetype{width} * 4;
  QByteArray rows;
  composeInBands(composer, true, [&](const QImage& band, int) {
    rows.resize(rowBytes * band.height());
    auto* out = reinterpret_cast<uchar*>(rows.data());
    for (int y = band.height() - 1; y >= 0; --y, out += rowBytes)
      bmpRow(reinterpret_cast<const QRgb*>(band.constScanLine(y)), width, out, pixels);
    file.write(rows);
  });
}

}  // namespace

int logoBandRows(int width) {
  const qint64 rows = BAND_BYTES / (std::max<qint64>(width, 1) * 4) / CODING_UNIT_ROWS * CODING_UNIT_ROWS;
  return static_cast<int>(std::max<qint64>(rows, CODING_UNIT_ROWS));
}

bool logoBandsUpward(const QString& path) { return !isJpegPath(path) && !isPngPath(path); }

QImage composeLogo(LogoLayers& layers, Backdrop backdrop) {
  LogoComposer composer(layers, backdrop);
  // Memory that faults in by huge pages where the system offers them: a 12-megapixel logo would
  // otherwise take some 12,000 page faults.
  QImage logo = allocateRaster(composer.size().width(), composer.size().height(), composer.format());
  layers.makeOnThisThread();
  composer.compose(logo, 0, false);
  layers.finish();
  return logo;
}

QImage composeLogo(const Layer& background, const std::vector<Layer>& parts, Backdrop backdrop) {
  ReadyLayers layers(background, parts);
  return composeLogo(layers, backdrop);
}

bool exportLogo(const QString& path, const Layer& background, const std::vector<Layer>& parts, Backdrop backdrop) {
  ReadyLayers layers(background, parts);
  return exportLogo(path, layers, backdrop);
}

bool exportLogo(const QString& path, LogoLayers& layers, Backdrop backdrop) {
  if (backdrop == Backdrop::Clear && isJpegPath(path)) throw Failure(QString::fromUtf16(ClearJpegMessage));
  if (layers.partCount() == 0) return false;
  LogoComposer composer(layers, backdrop);
  LogoFile file(path);
  if (isJpegPath(path))
    writeJpeg(composer, file);
  else if (isPngPath(path))
    writePng(composer, file);
  else
    writeBmp(composer, file);
  layers.finish();
  file.commit();
  return true;
}
