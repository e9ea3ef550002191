// pelmora-bench-generate FOLDER [SEED]: writes the heavy composition that bench/compare and the
// benchmarks measure, with the comparison pictures, into FOLDER.

#include "bench/composition.h"
#include "model/failure.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
  // Text parts are drawn exactly as the command-line exporter draws them.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments().mid(1);
  bool seedOk = true;
  const std::uint64_t seed = args.size() > 1 ? args[1].toULongLong(&seedOk) : HEAVY_SEED;
  if (args.isEmpty() || args.size() > 2 || !seedOk) {
    std::fputs("Usage: pelmora-bench-generate FOLDER [SEED]\n", stderr);
    return 2;
  }
  try {
    const HeavyFiles files = writeHeavyComposition(args[0], seed, true);
    std::printf("%s\n", qPrintable(files.project));
  } catch (const Failure& failure) {
    std::fprintf(stderr, "pelmora-bench-generate: %s\n", qPrintable(failure.message()));
    return 1;
  }
  return 0;
}
