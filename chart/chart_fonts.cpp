#include "chart/font.h"

namespace quorvex {

ChartFonts ChartFonts::LoadDefault() {
  ChartFonts fonts;
  fonts.label = Font::Load(LabelRequest());
  fonts.system = Font::Load(SystemRequest());
  return fonts;
}

const ChartFonts& ChartFonts::Shared() {
  static const ChartFonts fonts = LoadDefault();
  return fonts;
}

}  // namespace quorvex
