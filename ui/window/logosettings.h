#pragma once

#include "render/logoexport.h"

// How the user last chose to write a logo, kept across starts: the user's setting, not the
// project's. Off and 1x until first chosen; a scale the settings file holds out of range is 1x.
LogoOptions rememberedLogoOptions();
void rememberLogoOptions(const LogoOptions& options);
