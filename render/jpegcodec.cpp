#include "render/jpegcodec.h"

#include "model/failure.h"
#include "render/raster.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace {

// libjpeg reports errors through a callback that must not return. Unwinding a C++ exception
// through its C frames is not safe, so the callback jumps back to runTrapped(), whose frame and
// every frame in between hold only trivially destructible data; the exception is thrown from
// ordinary C++ afterwards.
struct ErrorTrap {
  jpeg_error_mgr manager;  // first, so the library's pointer to it is a pointer to the trap
  std::jmp_buf jump;
};

void jumpOnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1); }

// Warnings and trace messages: a damaged file still shows whatever the library could decode.
void ignoreMessage(j_common_ptr, int) {}

jpeg_error_mgr* installTrap(ErrorTrap& trap) {
  jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
  manager->error_exit = jumpOnError;
  manager->emit_message = ignoreMessage;
  return manager;
}

// Runs one step of libjpeg work; false when the library gave up, its reason in trap.manager.
template <typename Context>
bool runTrapped(ErrorTrap& trap, void (*step)(Context&), Context& context) {
  if (setjmp(trap.jump) != 0) return false;
  step(context);
  return true;
}

Failure jpegFailure(const ErrorTrap& trap) {
  if (trap.manager.msg_code == JERR_NO_BACKING_STORE)
    return Failure(QStringLiteral("JPEG ファイルの展開に必要なメモリが多すぎます"));
  return Failure(QStringLiteral("JPEG エラー #%1").arg(trap.manager.msg_code));
}

// A progressive file keeps every coefficient of the picture in memory while its scans arrive,
// and each scan passes over the whole picture: a file of a few hundred kilobytes may otherwise
// ask for gigabytes and minutes. Beyond this much working memory the library stops with
// JERR_NO_BACKING_STORE (it has no temporary files). It is as much as the largest raster: only
// progressive pictures of well over 100 megapixels without colour subsampling need more.
constexpr long MAX_WORKING_MEMORY = long{1} << 30;
// Writers use about ten scans; the format allows far more than any picture needs.
constexpr int MAX_SCANS = 100;

// Called by the library before each step of reading the scans; stops it, as an error would,
// once a file has more scans than any writer produces.
struct ScanCounter {
  jpeg_progress_mgr manager;  // first, so the library's pointer to it is a pointer to the counter
  bool exceeded;
};

void countScans(j_common_ptr cinfo) {
  auto* counter = reinterpret_cast<ScanCounter*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= MAX_SCANS) return;
  counter->exceeded = true;
  jumpOnError(cinfo);
}

// A Huffman-coded file spends at least a bit on every 8 x 8 block, 512 pixels a byte; only a
// damaged or cut-down file, or an arithmetic-coded one of almost a single colour, has fewer.
constexpr qint64 PIXELS_PER_FILE_BYTE = 1024;

constexpr int GREY_LEVELS = 236;
constexpr int ROWS_PER_CALL = 16;  // fewer library calls than one row at a time

// Points `rows` at the next lines of a raster, as many as fit; returns how many.
JDIMENSION pointRows(JSAMPROW (&rows)[ROWS_PER_CALL], const uchar* bits, qsizetype bytesPerLine, JDIMENSION first,
                     JDIMENSION total) {
  const JDIMENSION count = std::min<JDIMENSION>(ROWS_PER_CALL, total - first);
  // Also for encoding: the library never writes through these; its row type is simply not const.
  for (JDIMENSION i = 0; i < count; ++i)
    rows[i] = const_cast<uchar*>(bits + static_cast<qsizetype>(first + i) * bytesPerLine);
  return count;
}

// Everything the decoding steps touch: plain data only (see ErrorTrap).
struct DecodeContext {
  jpeg_decompress_struct cinfo{};
  ErrorTrap trap{};
  ScanCounter scans{};
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  bool cmyk = false;
  bool invertedCmyk = false;
  uchar* bits = nullptr;
  qsizetype bytesPerLine = 0;
  QRgb greys[256]{};
  int greyCount = 0;
};

void readHeader(DecodeContext& c) {
  jpeg_create_decompress(&c.cinfo);
  c.cinfo.mem->max_memory_to_use = MAX_WORKING_MEMORY;
  c.scans.manager.progress_monitor = countScans;
  c.cinfo.progress = &c.scans.manager;
  jpeg_mem_src(&c.cinfo, c.data, c.size);
  jpeg_read_header(&c.cinfo, TRUE);
  c.cinfo.dct_method = JDCT_ISLOW;
  c.cinfo.do_block_smoothing = TRUE;
  c.cinfo.scale_num = 1;
  c.cinfo.scale_denom = 1;
  c.cinfo.buffered_image = FALSE;
  switch (c.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      c.cinfo.out_color_space = JCS_GRAYSCALE;
      c.cinfo.quantize_colors = TRUE;
      c.cinfo.desired_number_of_colors = GREY_LEVELS;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      // The library turns YCCK into CMYK but not into RGB; that last step is ours.
      c.cmyk = true;
      c.invertedCmyk = c.cinfo.saw_Adobe_marker;
      c.cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      // 3-byte RGB is Format_RGB888's layout; measured faster than 4-byte rows into RGB32.
      c.cinfo.out_color_space = JCS_RGB;
      break;
  }
  jpeg_calc_output_dimensions(&c.cinfo);
}

void readPixels(DecodeContext& c) {
  jpeg_start_decompress(&c.cinfo);
  if (c.cinfo.quantize_colors) {
    c.greyCount = std::clamp(c.cinfo.actual_number_of_colors, 0, 256);
    for (int i = 0; i < c.greyCount; ++i) {
      const int level = c.cinfo.colormap[0][i];
      c.greys[i] = qRgb(level, level, level);
    }
  }
  JSAMPROW rows[ROWS_PER_CALL];
  while (c.cinfo.output_scanline < c.cinfo.output_height) {
    const JDIMENSION count = pointRows(rows, c.bits, c.bytesPerLine, c.cinfo.output_scanline, c.cinfo.output_height);
    jpeg_read_scanlines(&c.cinfo, rows, count);
  }
  // No jpeg_finish_decompress: every row is there, and whatever follows the picture in the file
  // must not turn a good picture into a failure.
}

// Adobe's writers store CMYK inverted (0 = full ink); others store it plainly.
void cmykToRgb(QImage& image, bool inverted) {
  const auto ink = [inverted](int value) { return inverted ? value : 255 - value; };
  const auto mix = [](int a, int b) { return (a * b + 127) / 255; };
  for (int y = 0; y < image.height(); ++y) {
    uchar* p = image.scanLine(y);
    auto* out = reinterpret_cast<QRgb*>(p);
    for (int x = 0; x < image.width(); ++x, p += 4) {
      const int k = ink(p[3]);
      out[x] = qRgb(mix(ink(p[0]), k), mix(ink(p[1]), k), mix(ink(p[2]), k));
    }
  }
}

class Decoder {
public:
  explicit Decoder(QByteArrayView data) {
    context_.cinfo.err = installTrap(context_.trap);
    context_.data = reinterpret_cast<const unsigned char*>(data.data());
    context_.size = static_cast<unsigned long>(data.size());
  }
  ~Decoder() { jpeg_destroy_decompress(&context_.cinfo); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  QImage decode() {
    if (!runTrapped(context_.trap, readHeader, context_)) throw jpegFailure(context_.trap);
    const jpeg_decompress_struct& cinfo = context_.cinfo;
    // Checks the size before allocating: a few header bytes may claim a huge picture.
    checkRasterSize(cinfo.output_width, cinfo.output_height);
    if (!pixelsInProportion(cinfo.output_width, cinfo.output_height, context_.size, PIXELS_PER_FILE_BYTE))
      throw Failure(QStringLiteral("JPEG ファイルが %1 x %2 ピクセルの画像には短すぎます")
                        .arg(cinfo.output_width)
                        .arg(cinfo.output_height));
    QImage::Format format = QImage::Format_RGB888;
    if (cinfo.quantize_colors) format = QImage::Format_Indexed8;
    if (context_.cmyk) format = QImage::Format_RGB32;  // converted in place, 4 bytes to 4 bytes
    QImage image = allocateRaster(cinfo.output_width, cinfo.output_height, format);
    const RasterPrefault prefault(image);
    context_.bits = image.bits();
    context_.bytesPerLine = image.bytesPerLine();

    if (!runTrapped(context_.trap, readPixels, context_)) {
      if (context_.scans.exceeded)
        throw Failure(QStringLiteral("JPEG ファイルのスキャンが多すぎます (%1 を超えています)").arg(MAX_SCANS));
      throw jpegFailure(context_.trap);
    }
    if (cinfo.quantize_colors) image.setColorTable(QList<QRgb>(context_.greys, context_.greys + context_.greyCount));
    if (context_.cmyk) cmykToRgb(image, context_.invertedCmyk);
    return image;
  }

private:
  DecodeContext context_;
};

// The coded bytes go into memory of our own, which the Encoder frees once whatever happens: the
// library's own memory destination starts at 4 KiB, copies its buffer into one twice the size
// each time it fills up, and leaves the caller a pointer to a freed buffer when it fails after
// growing one. Streamed, the buffer stays one size and is handed to a sink each time it fills.
struct OutputBuffer {
  jpeg_destination_mgr manager;  // first, so the library's pointer to it is a pointer to the buffer
  unsigned char* data;
  size_t capacity;
  size_t size;     // what the finished file holds, when it is kept in memory
  ByteSink* sink;  // or where each full buffer goes
  bool sinkRefused;
};

void startOutput(j_compress_ptr cinfo) {
  auto* out = reinterpret_cast<OutputBuffer*>(cinfo->dest);
  out->manager.next_output_byte = out->data;
  out->manager.free_in_buffer = out->capacity;
}

// Called when the buffer is full. Growing a large block in place is cheap: the pages move, the
// bytes are not copied.
boolean growOutput(j_compress_ptr cinfo) {
  auto* out = reinterpret_cast<OutputBuffer*>(cinfo->dest);
  const size_t capacity = out->capacity * 2;
  auto* data = static_cast<unsigned char*>(std::realloc(out->data, capacity));
  if (data == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);  // the old buffer is still ours to free
  out->manager.next_output_byte = data + out->capacity;
  out->manager.free_in_buffer = capacity - out->capacity;
  out->data = data;
  out->capacity = capacity;
  return TRUE;
}

void finishOutput(j_compress_ptr cinfo) {
  auto* out = reinterpret_cast<OutputBuffer*>(cinfo->dest);
  out->size = out->capacity - out->manager.free_in_buffer;
}

void handOn(j_compress_ptr cinfo, size_t bytes) {
  auto* out = reinterpret_cast<OutputBuffer*>(cinfo->dest);
  if (!out->sink->put(reinterpret_cast<const char*>(out->data), static_cast<qsizetype>(bytes))) {
    out->sinkRefused = true;
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  startOutput(cinfo);
}

boolean flushOutput(j_compress_ptr cinfo) {
  handOn(cinfo, reinterpret_cast<OutputBuffer*>(cinfo->dest)->capacity);
  return TRUE;
}

void flushRest(j_compress_ptr cinfo) {
  const auto* out = reinterpret_cast<OutputBuffer*>(cinfo->dest);
  handOn(cinfo, out->capacity - out->manager.free_in_buffer);
}

struct EncodeContext {
  jpeg_compress_struct cinfo{};
  ErrorTrap trap{};
  JDIMENSION width = 0;
  JDIMENSION height = 0;
  bool rgb888 = false;  // else RGB32
  OutputBuffer output{};
  // The rows the next writeRows() codes.
  const uchar* bits = nullptr;
  qsizetype bytesPerLine = 0;
  JDIMENSION rows = 0;
};

void startJpeg(EncodeContext& c) {
  jpeg_create_compress(&c.cinfo);
  const bool streamed = c.output.sink != nullptr;
  c.output.manager.init_destination = startOutput;
  c.output.manager.empty_output_buffer = streamed ? flushOutput : growOutput;
  c.output.manager.term_destination = streamed ? flushRest : finishOutput;
  c.cinfo.dest = &c.output.manager;
  c.cinfo.image_width = c.width;
  c.cinfo.image_height = c.height;
  // RGB32 rows are handed over as they are; the library reads them exactly as it would read the
  // same colours as 3-byte RGB rows, without a converted copy of the picture.
  c.cinfo.input_components = c.rgb888 ? 3 : 4;
  if (c.rgb888)
    c.cinfo.in_color_space = JCS_RGB;
  else
    c.cinfo.in_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  jpeg_set_defaults(&c.cinfo);
  jpeg_set_quality(&c.cinfo, 90, TRUE);
  jpeg_start_compress(&c.cinfo, TRUE);
}

void writeRows(EncodeContext& c) {
  JSAMPROW rows[ROWS_PER_CALL];
  for (JDIMENSION done = 0; done < c.rows;) {
    const JDIMENSION count = pointRows(rows, c.bits, c.bytesPerLine, done, c.rows);
    const JDIMENSION taken = jpeg_write_scanlines(&c.cinfo, rows, count);
    if (taken == 0) return;  // rows beyond the picture's height, which the library ignores
    done += taken;
  }
}

void finishJpeg(EncodeContext& c) { jpeg_finish_compress(&c.cinfo); }

class Encoder {
public:
  Encoder() { context_.cinfo.err = installTrap(context_.trap); }
  ~Encoder() {
    jpeg_destroy_compress(&context_.cinfo);
    std::free(context_.output.data);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Into memory of its own, or a buffer at a time into `sink`.
  void start(JDIMENSION width, JDIMENSION height, bool rgb888, size_t buffer, ByteSink* sink) {
    context_.width = width;
    context_.height = height;
    context_.rgb888 = rgb888;
    context_.output.data = static_cast<unsigned char*>(std::malloc(buffer));
    if (context_.output.data == nullptr) throw Failure(QStringLiteral("メモリが足りません"));
    context_.output.capacity = buffer;
    context_.output.sink = sink;
    run(startJpeg);
  }

  void write(const uchar* bits, qsizetype bytesPerLine, JDIMENSION rows) {
    context_.bits = bits;
    context_.bytesPerLine = bytesPerLine;
    context_.rows = rows;
    run(writeRows);
  }

  void finish() { run(finishJpeg); }

  QByteArray bytes() const {
    return QByteArray(reinterpret_cast<const char*>(context_.output.data),
                      static_cast<qsizetype>(context_.output.size));
  }

private:
  void run(void (*step)(EncodeContext&)) {
    if (runTrapped(context_.trap, step, context_)) return;
    if (context_.output.sinkRefused) throw Failure(QStringLiteral("ストリームへの書き込みエラー"));
    throw jpegFailure(context_.trap);
  }

  EncodeContext context_;
};

// A streamed file's bytes go to the sink this many at a time.
constexpr size_t STREAM_BUFFER = size_t{256} << 10;

}  // namespace

QImage decodeJpeg(QByteArrayView data) { return Decoder(data).decode(); }

QByteArray encodeJpeg(const QImage& image) {
  const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_RGB888;
  const QImage rgb = direct ? image : image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull() && !image.isNull()) throw Failure(QStringLiteral("メモリが足りません"));
  Encoder encoder;
  // Enough for most pictures at this quality; pages of it never written are never touched.
  const size_t reserve = static_cast<size_t>(rgb.width()) * static_cast<size_t>(rgb.height()) * 3 / 8 + 65536;
  encoder.start(static_cast<JDIMENSION>(rgb.width()), static_cast<JDIMENSION>(rgb.height()),
                rgb.format() == QImage::Format_RGB888, reserve, nullptr);
  encoder.write(rgb.constBits(), rgb.bytesPerLine(), static_cast<JDIMENSION>(rgb.height()));
  encoder.finish();
  return encoder.bytes();
}

struct JpegRowEncoder::Context {
  Encoder encoder;
  int width;
};

JpegRowEncoder::JpegRowEncoder(int width, int height, ByteSink& sink) : context_(std::make_unique<Context>()) {
  context_->width = width;
  context_->encoder.start(static_cast<JDIMENSION>(std::max(width, 0)), static_cast<JDIMENSION>(std::max(height, 0)),
                          false, STREAM_BUFFER, &sink);
}

JpegRowEncoder::~JpegRowEncoder() = default;

void JpegRowEncoder::write(const QImage& rows) {
  Q_ASSERT(rows.format() == QImage::Format_RGB32 && rows.width() == context_->width);
  context_->encoder.write(rows.constBits(), rows.bytesPerLine(), static_cast<JDIMENSION>(rows.height()));
}

void JpegRowEncoder::finish() { context_->encoder.finish(); }
