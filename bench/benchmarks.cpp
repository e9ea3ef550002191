// Micro-benchmarks of the work a user waits for: decoding pictures, coding the logo, drawing text
// parts, flattening and exporting the heavy composition, opening it, and dragging a part over it.
//
// The heavy composition is generated into a temporary folder, or taken from PELMORA_HEAVY (a
// folder pelmora-bench-generate wrote) so that bench/compare and these figures share one.

#include "app/application.h"
#include "bench/composition.h"
#include "bench/pixels.h"
#include "model/fixedstring.h"
#include "model/projectfile.h"
#include "model/regularfile.h"
#include "render/bmpreader.h"
#include "render/fonts.h"
#include "render/jpegcodec.h"
#include "render/logoexport.h"
#include "render/picturefile.h"
#include "render/pngcodec.h"
#include "render/scene.h"
#include "render/textrender.h"
#include "edit/composition.h"
#include "edit/recovery.h"
#include "ui/canvas/canvasview.h"
#include "ui/window/mainwindow.h"
#include "ui/canvas/picturecontrol.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>

#include <malloc.h>

#include <map>
#include <memory>

namespace {

constexpr int LARGE_WIDTH = 4000;
constexpr int LARGE_HEIGHT = 3000;

// Built on first use and kept: each is expensive, and only the benchmarks that ask pay for it.
const QImage& largePhoto() {
  static const QImage image = [] {
    Random random(HEAVY_SEED);
    return photo(LARGE_WIDTH, LARGE_HEIGHT, random);
  }();
  return image;
}

const QImage& largePalettePicture() {
  static const QImage image = [] {
    Random random(HEAVY_SEED + 1);
    return palettePicture(LARGE_WIDTH, LARGE_HEIGHT, qRgb(12, 200, 40), random);
  }();
  return image;
}

enum BitmapForm { kBmp8, kRle8, kBmp24, kBmp32 };

const QByteArray& largeBitmap(BitmapForm form) {
  static std::map<BitmapForm, QByteArray> files;
  QByteArray& file = files[form];
  if (file.isEmpty()) {
    switch (form) {
      case kBmp8: file = bmp8(largePalettePicture()); break;
      case kRle8: file = bmpRle8(largePalettePicture()); break;
      case kBmp24: file = bmp24(largePhoto()); break;
      case kBmp32: file = bmp32(largePhoto()); break;
    }
  }
  return file;
}

QString heavyFolder() {
  static QTemporaryDir temporary;
  static const QString folder = [] {
    const QString given = qEnvironmentVariable("PELMORA_HEAVY");
    if (!given.isEmpty() && QFile::exists(QDir(given).filePath(QStringLiteral("heavy.rpf")))) return given;
    writeHeavyComposition(temporary.path(), HEAVY_SEED, false);
    return temporary.path();
  }();
  return folder;
}

QString heavyProject() { return QDir(heavyFolder()).filePath(QStringLiteral("heavy.rpf")); }

const TDocument& heavyDocument() {
  static const TDocument doc = readProjectFile(heavyProject());
  return doc;
}

const Scene& heavyScene() {
  static const Scene scene = buildScene(heavyDocument(), TEXT_DPI);
  return scene;
}

void ReadBmp(benchmark::State& state, BitmapForm form) {
  const QByteArray& file = largeBitmap(form);
  for (auto _ : state) benchmark::DoNotOptimize(readBmp(file));
  state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK_CAPTURE(ReadBmp, 8bit, kBmp8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadBmp, rle8, kRle8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadBmp, 24bit, kBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadBmp, 32bit, kBmp32)->Unit(benchmark::kMillisecond);

// The whole picture-part path, file reading included: what bench/compare sets against cat.
void LoadPictureFile32bit(benchmark::State& state) {
  const QString path = QDir(heavyFolder()).filePath(QStringLiteral("bench32.bmp"));
  writeWholeFile(path, largeBitmap(kBmp32));
  for (auto _ : state) benchmark::DoNotOptimize(loadPictureFile(path));
}
BENCHMARK(LoadPictureFile32bit)->Unit(benchmark::kMillisecond);

void DecodeJpeg12MP(benchmark::State& state) {
  static const QByteArray file = encodeJpeg(largePhoto());
  for (auto _ : state) benchmark::DoNotOptimize(decodeJpeg(file));
}
BENCHMARK(DecodeJpeg12MP)->Unit(benchmark::kMillisecond);

// RGB32 is what the export hands over; RGB888 is what a decoded photo is.
void EncodeJpeg12MP(benchmark::State& state, QImage::Format format) {
  const QImage pixels = largePhoto().convertToFormat(format);
  for (auto _ : state) benchmark::DoNotOptimize(encodeJpeg(pixels));
}
BENCHMARK_CAPTURE(EncodeJpeg12MP, rgb32, QImage::Format_RGB32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeJpeg12MP, rgb888, QImage::Format_RGB888)->Unit(benchmark::kMillisecond);

// A photo coded as the logo export codes PNG (rows filtered by the row above), decoded; and the
// export's PNG coding of the same photo alone.
void DecodePng12MP(benchmark::State& state) {
  static const QByteArray file = encodePng(largePhoto());
  for (auto _ : state) benchmark::DoNotOptimize(decodePng(file));
  state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(DecodePng12MP)->Unit(benchmark::kMillisecond);

void EncodePng12MP(benchmark::State& state) {
  static const QImage photo = largePhoto().convertToFormat(QImage::Format_RGB32);
  for (auto _ : state) benchmark::DoNotOptimize(encodePng(photo));
}
BENCHMARK(EncodePng12MP)->Unit(benchmark::kMillisecond);

// Each of the 50 text parts, by its place among them; the label gives size, style and fill.
void redrawTextPart(benchmark::State& state) {
  std::vector<const TPartData*> texts;
  for (int i = 0; i < heavyDocument().PartCount; ++i)
    if (heavyDocument().Parts[i].Kind == pkText) texts.push_back(&heavyDocument().Parts[i]);
  const auto n = static_cast<size_t>(state.range(0));
  if (n >= texts.size()) {
    state.SkipWithError("no such text part");
    return;
  }
  const TPartData& record = *texts[n];
  state.SetLabel(QStringLiteral("%1pt style %2%3")
                     .arg(record.FontSize)
                     .arg(record.FontStyle)
                     .arg(record.FillOn == 1 ? QStringLiteral(" filled") : QString())
                     .toStdString());
  const int dpi = TEXT_DPI;
  for (auto _ : state) benchmark::DoNotOptimize(renderTextPart(record, dpi));
}
BENCHMARK(redrawTextPart)->DenseRange(0, 49)->Unit(benchmark::kMicrosecond);

void ComposeHeavyLogo(benchmark::State& state) {
  const Scene& scene = heavyScene();
  for (auto _ : state) benchmark::DoNotOptimize(composeLogo(scene.background, scene.parts));
}
BENCHMARK(ComposeHeavyLogo)->Unit(benchmark::kMillisecond);

void ExportHeavyLogo(benchmark::State& state, const char* name) {
  const Scene& scene = heavyScene();
  const QString path = QDir(heavyFolder()).filePath(QString::fromLatin1(name));
  for (auto _ : state) exportLogo(path, scene.background, scene.parts);
}
BENCHMARK_CAPTURE(ExportHeavyLogo, bmp, "bench-out.bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportHeavyLogo, jpeg, "bench-out.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportHeavyLogo, png, "bench-out.png")->Unit(benchmark::kMillisecond);

// What the program has allocated and not freed, in every arena of the allocator, in MiB. The
// resident size is no measure here: the pictures made again on the scene's threads leave arenas
// that the allocator keeps, and it swings by tens of megabytes from one run to the next.
double allocatedMiB() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1 << 20);
}

// The history keeps bytes of the block, never rasters. On the heavy composition: 100 drags of
// five steps each and 20 deletions, the deletions then taken back, so the composition shows what
// it showed before and what the program holds more is the history's (counter grown_MiB; the goal
// is at most 16).
void HistoryMemory(benchmark::State& state) {
  for (auto _ : state) {
    Composition composition(TEXT_DPI);
    composition.open(heavyProject());
    // Once round first, so that the allocator's pools are as large as the work makes them.
    composition.removePart(0);
    composition.undo();
    const double before = allocatedMiB();
    for (int drag = 0; drag < 100; ++drag) {
      const int part = drag % composition.partCount();
      const Bounds at = composition.bounds(part);
      composition.beginDrag(part);  // the press
      for (int step = 1; step <= 5; ++step) composition.dragTo({at.left + step, at.top + drag, at.width, at.height});
      composition.endDrag();
    }
    for (int removal = 0; removal < 20; ++removal) composition.removePart(removal * 4);
    for (int removal = 0; removal < 20; ++removal) composition.undo();
    state.counters["grown_MiB"] = allocatedMiB() - before;
  }
}
BENCHMARK(HistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// A copy of a 4000 x 3000 picture part shares the raster already made: no decode, no second copy
// of its pixels (counter grown_MiB; the goal is under 1, and under 20 ms a copy).
void DuplicateLargePicture(benchmark::State& state) {
  static const QString picture = [] {
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(qRgb(30, 90, 200));
    const QString path = QDir::temp().filePath(QStringLiteral("pelmora-bench-4000x3000.bmp"));
    image.save(path, "BMP");
    return path;
  }();
  Composition composition(TEXT_DPI);
  composition.startNew({0, 0});
  composition.select(*composition.addPicturePart(picture));
  double grown = 0;
  for (auto _ : state) {
    const double before = allocatedMiB();
    composition.duplicateSelected();
    grown = allocatedMiB() - before;
    state.PauseTiming();
    composition.undo();
    composition.select(0);
    state.ResumeTiming();
  }
  state.counters["grown_MiB"] = grown;
}
BENCHMARK(DuplicateLargePicture)->Unit(benchmark::kMillisecond);

// Every part of the heavy composition copied, its bytes made for the clipboard, and pasted into
// a new composition (goal: under 20 ms). The pasted parts show the rasters the copied ones
// showed: no picture is decoded or drawn again.
void CopyAndPasteAllParts(benchmark::State& state) {
  Composition source(TEXT_DPI), target(TEXT_DPI);
  source.open(heavyProject());
  target.startNew({0, 0});
  source.selectAll();
  for (auto _ : state) {
    const std::vector<PartCopy> copies = source.copySelected();
    benchmark::DoNotOptimize(PartCopy::listBytes(copies));
    if (target.pasteParts(copies, 10).size() != copies.size()) state.SkipWithError("the paste did not fit");
    state.PauseTiming();
    for (int i = 0; i < source.partCount(); ++i)
      if (target.layer(i).raster.cacheKey() != source.layer(i).raster.cacheKey())
        state.SkipWithError("a pasted part was drawn again");
    target.undo();
    state.ResumeTiming();
  }
  state.counters["parts"] = source.partCount();
}
BENCHMARK(CopyAndPasteAllParts)->Unit(benchmark::kMillisecond);

// A step of a drag of every part of the heavy composition at once, at the composition (goal,
// with the canvas's snapping and repainting on top: under 4 ms).
void DragAllPartsStep(benchmark::State& state) {
  Composition composition(TEXT_DPI);
  composition.open(heavyProject());
  composition.selectAll();
  const Bounds at = composition.bounds(0);
  composition.beginDrag(0);
  int step = 0;
  for (auto _ : state) {
    step = step % 20 + 1;
    composition.dragTo({at.left + step, at.top + step, at.width, at.height});
  }
  composition.endDrag();
  state.counters["parts"] = composition.partCount();
}
BENCHMARK(DragAllPartsStep)->Unit(benchmark::kMicrosecond);

// The window thread's share of keeping the recovery copy of the heavy composition after a move:
// the block's snapshot handed to the writer (goal: well under a millisecond, no disk sync). The
// writer's own time, the copy written whole and renamed into place, is the counter writer_ms.
void KeepRecoveryCopy(benchmark::State& state) {
  Composition composition(TEXT_DPI);
  composition.open(heavyProject());
  const QTemporaryDir folder;
  RecoveryCopy keeper(composition, folder.path());
  benchmark::IterationCount copies = 0;
  QObject::connect(&keeper, &RecoveryCopy::kept, [&copies] { ++copies; });
  const Bounds at = composition.bounds(0);
  int shift = 0;
  QElapsedTimer writing;
  qint64 writerNs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    shift = shift % 2 + 1;  // never back where it was saved
    composition.setBounds(0, {at.left + shift, at.top, at.width, at.height});
    state.ResumeTiming();
    keeper.update();
    state.PauseTiming();
    writing.start();
    keeper.flush();
    writerNs += writing.nsecsElapsed();
    state.ResumeTiming();
  }
  state.counters["writer_ms"] = static_cast<double>(writerNs) / 1e6 /
                                static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  if (copies != state.iterations()) state.SkipWithError("a copy was not written");
}
BENCHMARK(KeepRecoveryCopy)->Unit(benchmark::kMicrosecond);

void OpenHeavyProject(benchmark::State& state) {
  const QString path = heavyProject();
  const int dpi = TEXT_DPI;
  for (auto _ : state) benchmark::DoNotOptimize(buildScene(readProjectFile(path), dpi));
}
BENCHMARK(OpenHeavyProject)->Unit(benchmark::kMillisecond);

// Answers the one question the drag benchmark asks: which project to open.
class OpenHeavy final : public Dialogs {
public:
  std::optional<QString> openProject() override { return heavyProject(); }
  std::optional<QString> saveProject() override { return std::nullopt; }
  void proposeProjectName(const QString&) override {}
  std::optional<QString> openPicture() override { return std::nullopt; }
  std::optional<LogoChoice> saveLogo(const LogoOptions&) override { return std::nullopt; }
  std::optional<Colour> chooseColour() override { return std::nullopt; }
  void presetFont(const FontChoice&) override {}
  std::optional<FontChoice> chooseFont() override { return std::nullopt; }
  void showMessage(const QString&, const QString&) override {}
  UnsavedChanges askToSaveChanges() override { return UnsavedChanges::Discard; }
  LeftWorkAnswer askToRestore(const QString&) override { return LeftWorkAnswer::Later; }
};

// Counts the canvas controls' paint events, so the benchmark can tell it really repainted.
class PaintCounter : public QObject {
public:
  int paints = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && qobject_cast<PictureControl*>(watched)) ++paints;
    return false;
  }
};

// What the view shows of the canvas, in the content's coordinates.
QRect canvasView(const MainWindow& window) {
  const auto* area = window.findChild<QScrollArea*>(QStringLiteral("canvasScroll"));
  return {area->widget()->mapFrom(area->viewport(), QPoint(0, 0)), area->viewport()->size()};
}

// The picture part that shows most of itself in the window's view of the canvas: the drag that
// repaints the most.
PictureControl* largestVisiblePicture(MainWindow& window) {
  const QRect view = canvasView(window);
  const TDocument& doc = window.findChild<Composition*>(QStringLiteral("composition"))->document();
  const auto* canvas = window.findChild<CanvasView*>(QStringLiteral("canvasScroll"));
  PictureControl* best = nullptr;
  qint64 bestArea = 0;
  for (int i = 0; i < doc.PartCount; ++i) {
    PictureControl* c = canvas->control(i);
    if (!c || doc.Parts[i].Kind != pkPicture) continue;
    const QRect seen = c->geometry() & view;
    const qint64 area = qint64{seen.width()} * seen.height();
    if (area > bestArea) {
      best = c;
      bestArea = area;
    }
  }
  return best;
}

void moveWithButtonHeld(PictureControl* control, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(control->mapToGlobal(at)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(control, &move);
}

// Everything the window has queued, paints included, done now.
void settle(QWidget& window) {
  QCoreApplication::processEvents();
  QEvent update(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(&window, &update);
}

// The heavy composition opened in `window`, shown 1920 x 1080. What fails is added to `errors`
// until the caller resets the error sink.
void openHeavyIn(MainWindow& window, QStringList& errors) {
  Application::instance()->setErrorSink([&errors](const QString& text, const QString&) { errors << text; });
  window.resize(1920, 1080);
  window.show();
  settle(window);
  window.findChild<QAction*>(QStringLiteral("openProjectAction"))->trigger();
  settle(window);
}

// One step of dragging a picture part over the heavy composition in a 1920 x 1080 window, the view
// zoomed `zoomSteps` times in (or out, below 0) from 100 %: the mouse move handled, the part moved
// by a logo pixel (four at 25 %, a screen pixel) and the canvas repainted. With `snap`, snapping
// is on and the part swings 80 screen pixels each step instead, so that every step lands on other
// lines of the 99 parts and the background than the one before and still repaints. With
// `allParts`, every part is selected and the step moves all 99, the box around them snapping.
void DragStepAt(benchmark::State& state, int zoomSteps, bool snap = false, bool allParts = false) {
  QStringList errors;
  MainWindow window(std::make_unique<OpenHeavy>());
  openHeavyIn(window, errors);
  for (int i = 0; i < std::abs(zoomSteps); ++i)
    window.findChild<QAction*>(zoomSteps > 0 ? QStringLiteral("zoomInAction") : QStringLiteral("zoomOutAction"))
        ->trigger();
  window.findChild<QAction*>(QStringLiteral("snapAction"))->setChecked(snap);
  settle(window);
  PictureControl* part = largestVisiblePicture(window);
  if (!part || !errors.isEmpty()) {
    state.SkipWithError(errors.isEmpty() ? "no picture part in view" : qPrintable(errors.join(u'\n')));
    return;
  }
  const QRect seen = part->geometry() & canvasView(window);
  state.SetLabel(QStringLiteral("%1, part %2, %3 x %4 in view")
                     .arg(window.findChild<CanvasView*>(QStringLiteral("canvasScroll"))->scale().percentText())
                     .arg(part->partIndex() + 1)
                     .arg(seen.width())
                     .arg(seen.height())
                     .toStdString());

  const QPoint grip(part->size().width() / 2, part->size().height() / 2);
  // With every part selected, the press on one of them drags all 99.
  if (allParts) window.findChild<QAction*>(QStringLiteral("selectAllAction"))->trigger();
  moveWithButtonHeld(part, grip);  // hovering first arms the move zone
  Q_EMIT part->pressed(part, Qt::LeftButton, grip);
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  // The window keeps its recovery copy while the drag lasts, as it does for the user.
  int copies = 0;
  QObject::connect(window.findChild<RecoveryCopy*>(), &RecoveryCopy::kept, [&copies] { ++copies; });
  int step = snap ? 40 : 1 << std::max(zoomSteps, 0);  // a logo pixel on the screen
  for (auto _ : state) {
    moveWithButtonHeld(part, grip + QPoint(step, 0));
    settle(window);
    step = -step;  // back and forth, so the part stays where it is on average
  }
  qApp->removeEventFilter(&counter);
  Q_EMIT part->released(part, Qt::LeftButton, grip);
  state.counters["paints_per_step"] =
      benchmark::Counter(static_cast<double>(counter.paints) /
                         static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)));
  state.counters["copies_kept"] = copies;
  if (counter.paints == 0) state.SkipWithError("the canvas was not repainted");
  Application::instance()->setErrorSink(nullptr);
}
void DragStep(benchmark::State& state) { DragStepAt(state, 0); }
BENCHMARK(DragStep)->Unit(benchmark::kMillisecond);
// Long enough for the window to keep its recovery copy once a second during the drag.
BENCHMARK_CAPTURE(DragStepAt, keeping_copies, 0)->MinTime(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DragStepAt, 25_percent, -2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DragStepAt, 400_percent, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DragStepAt, snapping, 0, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DragStepAt, all_parts_snapping, 0, true, true)->Unit(benchmark::kMillisecond);

// One pointer move of a rubber band dragged with Shift from the background's corner across the 99
// parts of the heavy composition: the band's new edges drawn over the view and the canvas beneath
// its old ones repainted. The far corner swings back and forth over the parts.
void RubberBandMove(benchmark::State& state) {
  QStringList errors;
  MainWindow window(std::make_unique<OpenHeavy>());
  openHeavyIn(window, errors);
  if (!errors.isEmpty()) {
    state.SkipWithError(qPrintable(errors.join(u'\n')));
    Application::instance()->setErrorSink(nullptr);
    return;
  }
  PictureControl* back = window.findChild<CanvasView*>(QStringLiteral("canvasScroll"))->background();
  const QPoint corner(1, 1);
  moveWithButtonHeld(back, corner);
  Q_EMIT back->pressed(back, Qt::LeftButton, corner, Qt::ShiftModifier);
  int swing = 40;
  for (auto _ : state) {
    moveWithButtonHeld(back, back->mapFrom(&window, QPoint(1500 + swing, 900 + swing)));
    settle(window);
    swing = -swing;
  }
  Q_EMIT back->released(back, Qt::LeftButton, corner);
  state.counters["selected"] = window.findChild<Composition*>(QStringLiteral("composition"))->selection().count();
  Application::instance()->setErrorSink(nullptr);
}
BENCHMARK(RubberBandMove)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  Application app(argc, argv);
  // The benchmarks turn snapping on and off: in settings of their own, never the user's.
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  qputenv("XDG_STATE_HOME", settings.path().toLocal8Bit());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
