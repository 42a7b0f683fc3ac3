#include <fontconfig/fontconfig.h>

#include "canvas/font_file.h"

namespace quorvex {

std::optional<FontFile> FindFontFile(const FontRequest& request) {
  // The process's current configuration, loaded on first use and shared by
  // every font; this takes a reference that is dropped below.
  FcConfig* config = FcConfigReference(nullptr);
  if (!config) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::optional<FontFile> found;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      found.emplace();
      found->path = reinterpret_cast<const char*>(path);
      if (FcPatternGetInteger(match, FC_INDEX, 0, &found->index) != FcResultMatch) found->index = 0;
      FcChar8* family = nullptr;
      if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
        found->family = reinterpret_cast<const char*>(family);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  return found;
}

}  // namespace quorvex
