#include "chart/chart_fonts.h"

namespace quorvex {

ChartFonts ChartFonts::LoadDefault() {
  ChartFonts fonts;
  fonts.label = Font::Load({"Arial", false, 12});
  fonts.closingLine = Font::Load({"Arial", true, 16});
  return fonts;
}

const ChartFonts& ChartFonts::Shared() {
  static const ChartFonts fonts = LoadDefault();
  return fonts;
}

}  // namespace quorvex
