#include "chart/chart_fonts.h"

namespace quorvex {

ChartFonts ChartFonts::LoadDefault() {
  ChartFonts fonts;
  fonts.label = Font::Load(LabelRequest());
  fonts.closingLine = Font::Load(ClosingLineRequest());
  return fonts;
}

const ChartFonts& ChartFonts::Shared() {
  static const ChartFonts fonts = LoadDefault();
  return fonts;
}

}  // namespace quorvex
