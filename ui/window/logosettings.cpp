#include "ui/window/logosettings.h"

#include "ui/common/usersettings.h"

namespace {

const QString kTransparentKey = QStringLiteral("logo/transparent");
const QString kScaleKey = QStringLiteral("logo/scale");

}  // namespace

LogoOptions rememberedLogoOptions() {
  const QSettings settings = userSettings();
  LogoOptions options;
  if (settings.value(kTransparentKey, false).toBool()) options.backdrop = Backdrop::Clear;
  bool number = false;
  const int scale = settings.value(kScaleKey, 1).toInt(&number);
  if (number && scale >= 1 && scale <= MAX_LOGO_SCALE) options.scale = scale;
  return options;
}

void rememberLogoOptions(const LogoOptions& options) {
  QSettings settings = userSettings();
  settings.setValue(kTransparentKey, options.backdrop == Backdrop::Clear);
  settings.setValue(kScaleKey, options.scale);
}
