#pragma once

#include "model/document.h"
#include "render/layer.h"
#include "render/logoexport.h"

#include <QStringList>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// What the editor shows for a document, as plain layers: the editor's canvas, the logo export and
// the command-line exporter all start from here, so they cannot disagree about a record.

// New's background: 200 x 60 pixels, stretched to the saved bounds.
inline constexpr int NEW_BACKGROUND_WIDTH = 200;
inline constexpr int NEW_BACKGROUND_HEIGHT = 60;

// Every function below takes `scale`, LogoOptions::scale: the layer for a logo that many times the
// size, every position and size multiplied and text drawn anew (renderTextPart()). Scaled bounds
// must fit in 32 bits: checkScaleFits() says so first.

// The background: New's 200 x 60 raster filled with BackColor when BackFile is empty, the decoded
// BackFile otherwise; stretched to BackLeft, BackTop, BackWidth, BackHeight, opaque. Throws the
// picture's Failure when BackFile cannot be loaded.
Layer backgroundLayer(const TDocument& doc, int scale = 1);

// One record's layer. A text part is drawn at its rendered size, at (Left, Top) once it has been
// placed (Width and Height non-zero) and at (0, 0) before; a picture part is stretched to its
// saved bounds, or shown at its natural size at (0, 0) before it has any. Kinds a record should
// not hold give an empty 105 x 105 layer. Throws the rendering's or the picture's Failure.
Layer partLayer(const TPartData& record, int dpi, int scale = 1);

// Throws Failure, naming the background or the part, when a logo `scale` times the size cannot
// hold their positions and sizes (only files far off the logo's rectangle have such numbers), or
// when `scale` lies outside 1 to MAX_LOGO_SCALE.
void checkScaleFits(const TDocument& doc, int scale);

// A record made into its layer, or, when it cannot be, a stand-in without a raster at the saved
// bounds and the line that says why: the file (a picture, the background's included) or the
// part's number (text) first, then the reason. The editor's message and the command-line
// exporter's report are made of these lines, so both say the same about the same file.
struct BuiltLayer {
  Layer layer;
  QString failure;  // empty when the layer was made
};

// backgroundLayer(), or New's white fill at the saved bounds.
BuiltLayer buildBackground(const TDocument& doc, int scale = 1);

// partLayer() for the record at position `index` of the table, or an empty layer at its saved
// bounds, stretched and see-through as the part would have been.
BuiltLayer buildPart(const TPartData& record, int index, int dpi, int scale = 1);

struct Scene {
  Layer background;
  std::vector<Layer> parts;  // one per record in use, in record order
  QStringList failedFiles;   // BuiltLayer's line for each layer that could not be made
};

// A document's layers in the making: the background and the pictures are decoded on a second
// thread from construction on, in the order the logo's bands need them, and the text parts drawn
// on a third (on the caller's, in makeOnThisThread(), when no thread is to be had). The export asks
// for each layer when its first band is composed and waits for it then, so decoding, drawing text,
// composing and coding overlap. Every layer is made, whatever fails: failedFiles() lists them all,
// as buildScene() does.
class PendingScene final : public LogoLayers {
public:
  // `bandsUpward`: the bands go bottom up (logoBandsUpward()), so the pictures lowest in the logo
  // are decoded first. `made`: layers the caller has made already from these records at their
  // own size (the editor's, the background first, then the parts in order), taken as they are;
  // the others are made here. `options`: at another scale the pictures among the made layers are
  // stretched further and the text parts drawn anew; on a clear backdrop the background is never
  // made, and so cannot fail. Throws checkScaleFits()'s Failure.
  PendingScene(const TDocument& doc, int dpi, bool bandsUpward, std::vector<std::optional<Layer>> made = {},
               LogoOptions options = {});
  ~PendingScene() override;  // waits for the picture thread
  PendingScene(const PendingScene&) = delete;
  PendingScene& operator=(const PendingScene&) = delete;

  Bounds logoBounds() const override;
  int partCount() const override;
  // A placed picture's saved bounds; a text part's size is known only once it is drawn.
  std::optional<Bounds> partBoundsAhead(int index) const override;
  // Every part's: where it is placed, or the top-left before it has been placed.
  std::optional<int> partTopAhead(int index) const override;
  // Throw the layer's failure line (Failure), or what stopped the pictures (memory running out).
  const Layer& background() override;
  const Layer& part(int index) override;
  // Draws the text parts when no thread could be started for them; at most once.
  void makeOnThisThread() override;
  // Keeps the failure line, frees the pixels.
  void release(int index) override;
  void finish() override;

  // Waits for every layer, drawing the text parts first if that has not been done: BuiltLayer's
  // line for each that could not be made, the background's first, then the parts in order.
  // Throws what stopped the pictures or the text.
  QStringList failedFiles();
  // failedFiles() done, the layers themselves, stand-ins for the failed ones; once.
  Scene take();

private:
  struct Slot {
    BuiltLayer built;
    bool ready = false;
    bool given = false;     // made by the caller
    bool text = false;      // made by drawText(), else by decodePictures()
    qint64 aheadBytes = 0;  // its raster's, from its making by a paced thread until released
  };
  // What one making thread holds made ahead of the logo's need.
  struct Ahead {
    qint64 bytes = 0;   // rasters made and not yet released
    int waitedFor = 0;  // callers of wait() on a layer of this thread's not yet made
  };
  const BuiltLayer& wait(size_t slot);
  void makeSlot(size_t slot);
  void stop(std::exception_ptr reason);  // what stopped the making; the first only
  // `paced`: on a thread of their own, the two keep at most a few megabytes of rasters made ahead
  // of the logo's bands, unless a layer of theirs is waited for: a logo four times the size would
  // otherwise hold most of its layers at once.
  void decodePictures(bool paced);
  void drawText(bool paced);  // stops the rest and throws on anything but a Failure
  void makePaced(size_t slot, bool paced);

  TDocument doc_;
  int dpi_;
  int scale_;
  std::vector<size_t> pictureOrder_;  // slots of the background (0) and the pictures, decoding order
  std::vector<size_t> textOrder_;     // slots of the text parts
  std::vector<Slot> slots_;           // the background, then the parts
  bool textMade_ = false;
  Ahead picturesAhead_;
  Ahead textAhead_;
  std::mutex mutex_;
  std::condition_variable madeOne_;
  std::exception_ptr stopped_;  // anything but a Failure, such as memory running out
  std::jthread pictures_;
  std::jthread text_;
};

// The background and every record below PartCount. Nothing that fails to load stops the build:
// the layer stays without a raster at its saved bounds (the background keeps New's white fill)
// and the failure is listed, so the caller can report them all at once.
Scene buildScene(const TDocument& doc, int dpi);
