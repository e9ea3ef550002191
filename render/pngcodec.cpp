#include "render/pngcodec.h"

#include "model/failure.h"
#include "render/pngfastpath.h"
#include "render/raster.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <vector>

#include <spng.h>

namespace {

// Deflate codes at most 258 bytes in two bits, so a file's data can never unpack to more than
// this many times its length; a header claiming more is lying, and is refused before the raster
// is made. Below the slack a file may claim any size, so tiny files still say what is wrong.
constexpr qint64 MAX_DEFLATE_RATIO = 1032;
constexpr qint64 CLAIM_SLACK = qint64{1} << 20;
// Text, profiles and other ancillary chunks are skipped, but the library still reads them whole.
constexpr size_t MAX_CHUNK_BYTES = size_t{1} << 24;
constexpr size_t MAX_CHUNK_CACHE = size_t{1} << 26;

QString reasonOf(int code) {
  switch (code) {
    case SPNG_ESIGNATURE: return QStringLiteral("PNG 形式ではありません");
    case SPNG_IO_EOF:
    case SPNG_EOF:
    case SPNG_EIDAT_TOO_SHORT: return QStringLiteral("ファイルが途中で終わっています");
    case SPNG_ECHUNK_CRC: return QStringLiteral("データが壊れています (CRC が一致しません)");
    case SPNG_EWIDTH:
    case SPNG_EHEIGHT:
    case SPNG_EUSER_WIDTH:
    case SPNG_EUSER_HEIGHT:
    case SPNG_EOVERFLOW: return QStringLiteral("画像の大きさが不正です");
    case SPNG_EMEM: return QStringLiteral("メモリが足りません");
    default: return QStringLiteral("データが壊れています (#%1)").arg(code);
  }
}

[[noreturn]] void fail(int code) { throw Failure(reasonOf(code)); }

// Checks the size a header claims before anything is made of it.
void checkClaim(qint64 width, qint64 height, qint64 unpackedBytes, qint64 fileBytes) {
  checkRasterSize(width, height);
  if (unpackedBytes > fileBytes * MAX_DEFLATE_RATIO + CLAIM_SLACK)
    throw Failure(QStringLiteral("ファイルが %1 x %2 ピクセルの画像には短すぎます").arg(width).arg(height));
}

void check(int code) {
  if (code != 0) fail(code);
}

struct FreeContext {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Context = std::unique_ptr<spng_ctx, FreeContext>;

enum class Output { Alpha, Mono, Grey, Rgb };

// Bits a pixel takes in the file's rows.
int bitsPerPixel(const spng_ihdr& h) {
  switch (h.color_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
    case SPNG_COLOR_TYPE_INDEXED: return h.bit_depth;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2 * h.bit_depth;
    case SPNG_COLOR_TYPE_TRUECOLOR: return 3 * h.bit_depth;
    default: return 4 * h.bit_depth;
  }
}

QImage::Format formatOf(Output output) {
  switch (output) {
    case Output::Alpha: return QImage::Format_RGBA8888;
    case Output::Mono: return QImage::Format_Mono;
    case Output::Grey: return QImage::Format_Indexed8;
    case Output::Rgb: break;
  }
  return QImage::Format_RGB888;
}

// The columns the rows of an interlaced pass hold: first, first + step, ...
struct PassColumns {
  int first = 0;
  int step = 1;
};

PassColumns passColumns(const spng_ihdr& h, int pass) {
  if (h.interlace_method == SPNG_INTERLACE_NONE) return {};
  static constexpr std::array<int, 7> FIRST = {0, 4, 0, 2, 0, 1, 0};
  static constexpr std::array<int, 7> STEP = {8, 8, 4, 4, 2, 2, 1};
  const auto p = static_cast<size_t>(std::clamp(pass, 0, 6));
  return {FIRST[p], STEP[p]};
}

// Nearest 8-bit value: v * 255 / 65535 rounded, which never lies exactly half-way.
uchar round16(quint16 v) { return static_cast<uchar>((v + 128u) / 257u); }

class Decoder {
public:
  explicit Decoder(QByteArrayView data) : ctx_(spng_ctx_new(0)), size_(data.size()) {
    if (!ctx_) fail(SPNG_EMEM);
    spng_ctx* ctx = ctx_.get();
    // Every chunk's checksum is checked: a damaged file is refused rather than shown half-wrong.
    check(spng_set_crc_action(ctx, SPNG_CRC_ERROR, SPNG_CRC_ERROR));
    check(spng_set_chunk_limits(ctx, MAX_CHUNK_BYTES, MAX_CHUNK_CACHE));
    check(spng_set_png_buffer(ctx, data.data(), static_cast<size_t>(data.size())));
  }

  QImage decode() {
    spng_ctx* ctx = ctx_.get();
    check(spng_get_ihdr(ctx, &ihdr_));
    const qint64 rowBytes = (qint64{ihdr_.width} * bitsPerPixel(ihdr_) + 7) / 8;
    checkClaim(ihdr_.width, ihdr_.height, qint64{ihdr_.height} * (rowBytes + 1), size_);

    spng_trns trns{};
    const int trnsFound = spng_get_trns(ctx, &trns);
    if (trnsFound != 0 && trnsFound != SPNG_ECHUNKAVAIL) fail(trnsFound);
    const bool alpha = trnsFound == 0 || ihdr_.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       ihdr_.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    const bool grey = ihdr_.color_type == SPNG_COLOR_TYPE_GRAYSCALE;
    const bool wide = ihdr_.bit_depth == 16;
    Output output = Output::Rgb;
    if (alpha)
      output = Output::Alpha;
    else if (ihdr_.bit_depth == 1)
      output = Output::Mono;
    else if (grey)
      output = Output::Grey;

    int format = wide ? SPNG_FMT_RGBA16 : SPNG_FMT_RGB8;
    if (output == Output::Alpha && !wide) format = SPNG_FMT_RGBA8;
    if (output == Output::Mono) format = SPNG_FMT_PNG;  // Format_Mono's own layout, most significant bit first
    if (output == Output::Grey && !wide) format = SPNG_FMT_G8;

    QImage image = allocateRaster(ihdr_.width, ihdr_.height, formatOf(output));
    if (output == Output::Mono) image.setColorTable(monoColours(grey));
    if (output == Output::Grey) {
      QList<QRgb> greys(256);
      for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
      image.setColorTable(greys);
    }
    const RasterPrefault prefault(image);

    check(spng_decode_image(ctx, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE));
    size_t imageBytes = 0;
    check(spng_decoded_image_size(ctx, format, &imageBytes));
    const size_t lineBytes = imageBytes / ihdr_.height;
    // 16-bit rows go through a line of their own and are rounded into the raster, and so do the
    // passes of interlaced 1-bit pictures, whose pixels the library does not spread out within
    // their bytes; the others are decoded straight into their raster line.
    const bool monoPasses = output == Output::Mono && ihdr_.interlace_method != SPNG_INTERLACE_NONE;
    std::vector<quint16> wideLine(wide ? lineBytes / sizeof(quint16) : 0);
    std::vector<uchar> passLine(monoPasses ? lineBytes : 0);
    for (;;) {
      spng_row_info row{};
      const int info = spng_get_row_info(ctx, &row);
      if (info == SPNG_EOI) break;
      check(info);
      if (row.row_num >= ihdr_.height) fail(SPNG_EINTERNAL);
      uchar* line = image.scanLine(static_cast<int>(row.row_num));
      int decoded = 0;
      if (monoPasses) {
        decoded = spng_decode_scanline(ctx, passLine.data(), lineBytes);
        if (decoded == 0 || decoded == SPNG_EOI) spreadBits(passLine.data(), passColumns(ihdr_, row.pass), line);
      } else {
        decoded = spng_decode_row(ctx, wide ? static_cast<void*>(wideLine.data()) : line, lineBytes);
        if (wide && (decoded == 0 || decoded == SPNG_EOI))
          narrow(wideLine.data(), passColumns(ihdr_, row.pass), output, line);
      }
      if (decoded != 0 && decoded != SPNG_EOI) fail(decoded);
      if (decoded == SPNG_EOI) break;
    }
    // The chunks after the pixels, up to the end marker: a file cut there, or damaged there, is
    // refused like one cut or damaged anywhere else.
    check(spng_decode_chunks(ctx));
    return image;
  }

private:
  QList<QRgb> monoColours(bool grey) {
    if (grey) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    spng_plte plte{};
    check(spng_get_plte(ctx_.get(), &plte));
    // A palette of one colour leaves the other index black, as an index beyond a bitmap's
    // palette reads.
    QList<QRgb> colours{qRgb(0, 0, 0), qRgb(0, 0, 0)};
    for (uint32_t i = 0; i < std::min<uint32_t>(plte.n_entries, 2); ++i)
      colours[i] = qRgb(plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue);
    return colours;
  }

  // One pass's scanline of 1-bit pixels into the columns of the raster line they belong to.
  void spreadBits(const uchar* in, PassColumns columns, uchar* line) const {
    const int width = static_cast<int>(ihdr_.width);
    for (int x = columns.first, k = 0; x < width; x += columns.step, ++k) {
      const int bit = (in[k >> 3] >> (7 - (k & 7))) & 1;
      const auto mask = static_cast<uchar>(0x80u >> (x & 7));
      line[x >> 3] = static_cast<uchar>(bit ? line[x >> 3] | mask : line[x >> 3] & ~mask);
    }
  }

  // One decoded row of RGBA16 pixels into the raster line, only the columns its pass holds.
  void narrow(const quint16* in, PassColumns columns, Output output, uchar* line) const {
    const int width = static_cast<int>(ihdr_.width);
    for (int x = columns.first; x < width; x += columns.step) {
      const quint16* p = in + 4 * static_cast<ptrdiff_t>(x);
      switch (output) {
        case Output::Alpha:
          for (int c = 0; c < 4; ++c) line[4 * x + c] = round16(p[c]);
          break;
        case Output::Grey: line[x] = round16(p[0]); break;
        default:
          for (int c = 0; c < 3; ++c) line[3 * x + c] = round16(p[c]);
          break;
      }
    }
  }

  Context ctx_;
  qint64 size_;
  spng_ihdr ihdr_{};
};

}  // namespace

QImage decodePng(QByteArrayView data) {
  // The library reads the header with the signature, so a short file of another kind would
  // otherwise be called cut short.
  const QByteArrayView signature("\x89PNG\r\n\x1A\n", 8);
  if (!data.startsWith(signature.first(std::min<qsizetype>(data.size(), signature.size())))) fail(SPNG_ESIGNATURE);
  if (data.size() <= signature.size()) fail(SPNG_EOF);
  std::optional<QImage> common = decodeCommonPng(data, [&](qint64 width, qint64 height, qint64 unpackedBytes) {
    checkClaim(width, height, unpackedBytes, data.size());
  });
  if (common) return *std::move(common);
  Decoder decoder(data);
  return decoder.decode();
}

namespace {

// Measured on the heavy composition (docs/performance.md): every row filtered by the row above
// is as small as choosing the best of the five filters row by row and takes half the time, since
// logos are mostly stretched pictures, whose rows repeat, and flat text. zlib's default strategy.
constexpr int PNG_FILTERS = SPNG_FILTER_CHOICE_UP;
constexpr int PNG_STRATEGY = 0;

Failure writeFailure() { return Failure(QStringLiteral("ストリームへの書き込みエラー")); }
Failure encodeFailure(int code) { return Failure(QStringLiteral("PNG エラー: %1").arg(reasonOf(code))); }

}  // namespace

struct PngRowEncoder::Context {
  ::Context ctx;
  ByteSink* sink = nullptr;
  bool sinkRefused = false;
  int width = 0;
  int height = 0;
  int rowsWritten = 0;
  std::vector<uchar> line;  // one row as the file holds it: red, green, blue

  static int put(spng_ctx*, void* user, void* data, size_t length) {
    auto* self = static_cast<Context*>(user);
    if (self->sink->put(static_cast<const char*>(data), static_cast<qsizetype>(length))) return 0;
    self->sinkRefused = true;
    return SPNG_IO_ERROR;
  }

  void check(int code) const {
    if (code == 0) return;
    if (sinkRefused) throw writeFailure();
    throw encodeFailure(code);
  }
};

PngRowEncoder::PngRowEncoder(int width, int height, ByteSink& sink, int level) : context_(std::make_unique<Context>()) {
  Context& c = *context_;
  c.ctx.reset(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!c.ctx) throw encodeFailure(SPNG_EMEM);
  c.sink = &sink;
  c.width = width;
  c.height = height;
  c.line.resize(static_cast<size_t>(width) * 3);
  spng_ctx* ctx = c.ctx.get();
  c.check(spng_set_png_stream(ctx, &Context::put, &c));
  spng_ihdr ihdr{};
  ihdr.width = static_cast<uint32_t>(width);
  ihdr.height = static_cast<uint32_t>(height);
  ihdr.bit_depth = 8;
  ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
  c.check(spng_set_ihdr(ctx, &ihdr));
  c.check(spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level));
  c.check(spng_set_option(ctx, SPNG_FILTER_CHOICE, PNG_FILTERS));
  c.check(spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, PNG_STRATEGY));
  c.check(spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
}

PngRowEncoder::~PngRowEncoder() = default;

void PngRowEncoder::write(const QImage& rows) {
  Context& c = *context_;
  for (int y = 0; y < rows.height(); ++y) {
    if (c.rowsWritten >= c.height) throw encodeFailure(SPNG_EOI);
    const auto* in = reinterpret_cast<const QRgb*>(rows.constScanLine(y));
    uchar* out = c.line.data();
    for (int x = 0; x < c.width; ++x, out += 3) {
      out[0] = static_cast<uchar>(qRed(in[x]));
      out[1] = static_cast<uchar>(qGreen(in[x]));
      out[2] = static_cast<uchar>(qBlue(in[x]));
    }
    const int code = spng_encode_row(c.ctx.get(), c.line.data(), c.line.size());
    ++c.rowsWritten;
    if (code == SPNG_EOI && c.rowsWritten == c.height) continue;
    c.check(code);
  }
}

void PngRowEncoder::finish() {
  Context& c = *context_;
  if (c.rowsWritten != c.height) throw encodeFailure(SPNG_EBADSTATE);
  if (c.sinkRefused) throw writeFailure();
}

namespace {

class BufferSink final : public ByteSink {
public:
  bool put(const char* data, qsizetype size) noexcept override {
    try {
      bytes.append(data, size);
      return true;
    } catch (...) {
      return false;
    }
  }
  QByteArray bytes;
};

}  // namespace

QByteArray encodePng(const QImage& image, int level) {
  BufferSink sink;
  PngRowEncoder encoder(image.width(), image.height(), sink, level);
  encoder.write(image.convertToFormat(QImage::Format_RGB32));
  encoder.finish();
  return sink.bytes;
}
