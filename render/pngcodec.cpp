#include "render/pngcodec.h"

#include "model/failure.h"
#include "render/pngfastpath.h"
#include "render/raster.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include <isa-l/crc.h>
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

quint32 big32(const char* p) {
  const auto* b = reinterpret_cast<const uchar*>(p);
  return (quint32{b[0]} << 24) | (quint32{b[1]} << 16) | (quint32{b[2]} << 8) | quint32{b[3]};
}

void putBig32(char* p, quint32 v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (24 - 8 * i));
}

// The file as the library reads it. Users' other programs show a picture whatever its text,
// profile or other ancillary chunks hold, and however much of the file after its last pixel row
// is missing, so the library is never shown those chunks (nor their counts and sizes, which it
// would refuse), and a file cut after its pixels ends as if whole. Every whole chunk's checksum
// is checked here, those not passed on included; a palette longer than the bit depth can index
// is passed on cut to what it can, as other programs read it.
class ChunkStream {
public:
  explicit ChunkStream(QByteArrayView data) : data_(data) {}

  bool checksumFailed() const { return checksumFailed_; }

  static int read(spng_ctx*, void* user, void* dest, size_t length) {
    auto* self = static_cast<ChunkStream*>(user);
    auto* out = static_cast<char*>(dest);
    while (length > 0) {
      if (self->next_ == self->count_ && !self->advance()) return self->checksumFailed_ ? SPNG_IO_ERROR : SPNG_IO_EOF;
      QByteArrayView& piece = self->pieces_[self->next_];
      const size_t n = std::min(length, static_cast<size_t>(piece.size()));
      std::memcpy(out, piece.data(), n);
      piece = piece.sliced(static_cast<qsizetype>(n));
      if (piece.isEmpty()) ++self->next_;
      out += n;
      length -= n;
    }
    return 0;
  }

private:
  static constexpr qsizetype SIGNATURE = 8;
  static constexpr QByteArrayView END{"\0\0\0\0IEND\xAE\x42\x60\x82", 12};

  void give(std::initializer_list<QByteArrayView> pieces) {
    next_ = 0;
    count_ = 0;
    for (QByteArrayView piece : pieces)
      if (!piece.isEmpty()) pieces_[count_++] = piece;
  }

  // A chunk of `length` bytes of `type` whose data begins at `body`; its checksum is never read.
  void giveChunk(const char* type, quint32 length, const char* body, bool end = false) {
    putBig32(header_.data(), length);
    std::memcpy(header_.data() + 4, type, 4);
    give({QByteArrayView(header_.data(), 8), QByteArrayView(body, length), QByteArrayView(checksum_.data(), 4),
          end ? END : QByteArrayView()});
  }

  // The next chunk's pieces; false at the end of the stream.
  bool advance() {
    while (!ended_) {
      const qsizetype left = data_.size() - at_;
      if (at_ == 0) {
        give({data_.first(SIGNATURE)});
        at_ = SIGNATURE;
        return true;
      }
      const char* chunk = data_.data() + at_;
      if (left < 8) return cutHere(nullptr, 0);
      const quint32 length = big32(chunk);
      const char* type = chunk + 4;
      if (length > 0x7FFFFFFFu) {
        // Nothing of sense follows: the library says what is wrong with it.
        ended_ = true;
        give({data_.sliced(at_)});
        return true;
      }
      if (left - 12 < static_cast<qsizetype>(length))
        return cutHere(type, std::min(left - 8, static_cast<qsizetype>(length)));
      if (big32(type + 4 + length) != crc32_gzip_refl(0, reinterpret_cast<const uchar*>(type), length + 4)) {
        checksumFailed_ = true;
        return false;
      }
      at_ += 12 + static_cast<qsizetype>(length);
      const bool idat = std::memcmp(type, "IDAT", 4) == 0;
      if (isIgnored(type)) {
        rowsInterrupted_ = rowsBegun_;
        continue;
      }
      if (idat && rowsInterrupted_) {
        // Rows split by a chunk: those before it are all there are.
        ended_ = true;
        give({END});
        return true;
      }
      rowsBegun_ = rowsBegun_ || idat;
      if (std::memcmp(type, "IHDR", 4) == 0 && length == 13) {
        depth_ = static_cast<uchar>(type[12]);
        palette_ = type[13] == 3;
      }
      ended_ = std::memcmp(type, "IEND", 4) == 0;
      const quint32 entries = reachableEntries(type, length);
      if (entries < length) {
        giveChunk(type, entries, type + 4);
      } else {
        give({QByteArrayView(chunk, 12 + static_cast<qsizetype>(length))});
      }
      return true;
    }
    return false;
  }

  // The file ends inside the chunk of `type` (none when even its header is cut), `available` bytes
  // of its data there. Before the pixel rows the file is cut short; among them the rows there are
  // go on, and whether they are all is the library's to find.
  bool cutHere(const char* type, qsizetype available) {
    ended_ = true;
    if (!rowsBegun_ && !(type && std::memcmp(type, "IDAT", 4) == 0)) return false;
    if (type && std::memcmp(type, "IDAT", 4) == 0 && !rowsInterrupted_ && available > 0)
      giveChunk(type, static_cast<quint32>(available), type + 4, true);
    else
      give({END});
    return true;
  }

  // Ancillary chunks other than tRNS, which gives pixels their alpha; a name not of four letters
  // is damage, and the library's to refuse.
  static bool isIgnored(const char* type) {
    const bool letters =
        std::all_of(type, type + 4, [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
    return letters && (type[0] & 0x20) != 0 && std::memcmp(type, "tRNS", 4) != 0;
  }

  // A palette picture's PLTE and tRNS cut to the entries its bit depth can index, in bytes.
  quint32 reachableEntries(const char* type, quint32 length) const {
    if (!palette_ || depth_ > 8 || (depth_ & (depth_ - 1)) != 0) return length;
    const quint32 entries = 1u << depth_;
    if (std::memcmp(type, "PLTE", 4) == 0 && length % 3 == 0 && length <= 3 * 256) return std::min(length, 3 * entries);
    if (std::memcmp(type, "tRNS", 4) == 0 && length <= 256) return std::min(length, entries);
    return length;
  }

  QByteArrayView data_;
  qsizetype at_ = 0;
  std::array<QByteArrayView, 4> pieces_{};
  size_t next_ = 0;
  size_t count_ = 0;
  std::array<char, 8> header_{};
  std::array<char, 4> checksum_{};
  uchar depth_ = 0;
  bool palette_ = false;
  bool rowsBegun_ = false;
  bool rowsInterrupted_ = false;
  bool ended_ = false;
  bool checksumFailed_ = false;
};

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
  explicit Decoder(QByteArrayView data) : ctx_(spng_ctx_new(0)), size_(data.size()), stream_(data) {
    if (!ctx_) fail(SPNG_EMEM);
    spng_ctx* ctx = ctx_.get();
    // The stream checks every chunk's checksum (a damaged file is refused rather than shown
    // half-wrong) and gives the library no checksum of those it cuts.
    check(spng_set_crc_action(ctx, SPNG_CRC_USE, SPNG_CRC_USE));
    check(spng_set_chunk_limits(ctx, MAX_CHUNK_BYTES, MAX_CHUNK_CACHE));
    check(spng_set_png_stream(ctx, &ChunkStream::read, &stream_));
  }

  QImage decode() {
    spng_ctx* ctx = ctx_.get();
    check(spng_get_ihdr(ctx, &ihdr_));
    const qint64 rowBytes = (qint64{ihdr_.width} * bitsPerPixel(ihdr_) + 7) / 8;
    checkClaim(ihdr_.width, ihdr_.height, qint64{ihdr_.height} * (rowBytes + 1), size_);

    spng_trns trns{};
    const int trnsFound = spng_get_trns(ctx, &trns);
    if (trnsFound != SPNG_ECHUNKAVAIL) check(trnsFound);
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
      if (decoded != SPNG_EOI) check(decoded);
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

  void check(int code) const {
    if (code == 0) return;
    fail(stream_.checksumFailed() ? SPNG_ECHUNK_CRC : code);
  }

  Context ctx_;
  qint64 size_;
  ChunkStream stream_;
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
  bool alpha = false;
  std::vector<uchar> line;  // one row as the file holds it: red, green, blue (, alpha)

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

PngRowEncoder::PngRowEncoder(int width, int height, ByteSink& sink, PngPixels pixels, int level)
    : context_(std::make_unique<Context>()) {
  Context& c = *context_;
  c.ctx.reset(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!c.ctx) throw encodeFailure(SPNG_EMEM);
  c.sink = &sink;
  c.width = width;
  c.height = height;
  c.alpha = pixels == PngPixels::Rgba;
  c.line.resize(static_cast<size_t>(width) * (c.alpha ? 4 : 3));
  spng_ctx* ctx = c.ctx.get();
  c.check(spng_set_png_stream(ctx, &Context::put, &c));
  spng_ihdr ihdr{};
  ihdr.width = static_cast<uint32_t>(width);
  ihdr.height = static_cast<uint32_t>(height);
  ihdr.bit_depth = 8;
  ihdr.color_type = c.alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
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
    if (c.alpha) {
      for (int x = 0; x < c.width; ++x, out += 4) {
        out[0] = static_cast<uchar>(qRed(in[x]));
        out[1] = static_cast<uchar>(qGreen(in[x]));
        out[2] = static_cast<uchar>(qBlue(in[x]));
        out[3] = static_cast<uchar>(qAlpha(in[x]));
      }
    } else {
      for (int x = 0; x < c.width; ++x, out += 3) {
        out[0] = static_cast<uchar>(qRed(in[x]));
        out[1] = static_cast<uchar>(qGreen(in[x]));
        out[2] = static_cast<uchar>(qBlue(in[x]));
      }
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

QByteArray encodePng(const QImage& image, PngPixels pixels, int level) {
  BufferSink sink;
  PngRowEncoder encoder(image.width(), image.height(), sink, pixels, level);
  encoder.write(image.convertToFormat(pixels == PngPixels::Rgba ? QImage::Format_ARGB32 : QImage::Format_RGB32));
  encoder.finish();
  return sink.bytes;
}
