// Tests of the Windows back ends: GDI glyphs and the Windows Imaging
// Component PNG writer. They run under Wine, where "Arial" is Liberation
// Sans, the face the Linux build draws with, so the default run's picture
// must equal the Linux build's pixel for pixel, text included.

#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "tools/render/png_writer.h"

namespace quorvex {
namespace {

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<Color> pixels;
};

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Decodes PNG bytes with the platform's decoder into canvas colours; false
// unless the image is 24-bit RGB.
bool DecodePng(std::vector<unsigned char>& bytes, Decoded& out) {
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  bool ok = false;
  WICPixelFormatGUID format{};
  UINT w = 0;
  UINT h = 0;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()))) &&
      SUCCEEDED(
          factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) && SUCCEEDED(frame->GetSize(&w, &h))) {
    const UINT stride = w * 3;
    std::vector<BYTE> bgr(static_cast<size_t>(stride) * h);
    if (SUCCEEDED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(bgr.size()), bgr.data()))) {
      out.width = static_cast<int>(w);
      out.height = static_cast<int>(h);
      out.pixels.resize(static_cast<size_t>(w) * h);
      for (size_t i = 0; i < out.pixels.size(); ++i)
        out.pixels[i] = Rgb(bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i]);
      ok = true;
    }
  }
  if (frame) frame->Release();
  if (decoder) decoder->Release();
  if (stream) stream->Release();
  if (factory) factory->Release();
  return ok;
}

// Writes the canvas through WritePng into a temporary file and returns
// the file's bytes.
std::vector<unsigned char> EncodeThroughAFile(const Canvas& canvas) {
  char dir[MAX_PATH];
  char path[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, dir) || !GetTempFileNameA(dir, "qvx", 0, path)) return {};
  std::FILE* f = std::fopen(path, "wb");
  std::string error;
  const bool written = f && WritePng(f, canvas, error);
  if (f) std::fclose(f);
  EXPECT_TRUE(written) << error;
  std::vector<unsigned char> bytes = ReadBytes(path);
  DeleteFileA(path);
  return bytes;
}

class Windows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  static void TearDownTestSuite() { CoUninitialize(); }
};

TEST_F(Windows, GdiGivesArialsCellsAndGlyphs) {
  const ChartFonts& fonts = ChartFonts::Shared();
  ASSERT_TRUE(fonts.complete());
  // Arial's Windows ascent is 1854 of its 2288 design units of cell.
  const struct {
    const Font* font;
    int cell;
    int ascent;
  } cases[] = {{fonts.label.get(), 12, 10}, {fonts.closingLine.get(), 16, 13}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.font->cellHeight(), c.cell);
    EXPECT_EQ(c.font->ascent(), c.ascent) << c.cell;
    const Glyph& space = c.font->GlyphFor(' ');
    EXPECT_GT(space.advance, 0);
    EXPECT_TRUE(space.ink.empty());
    // A capital I is one solid bar from the baseline up to the cap height.
    const Glyph& i = c.font->GlyphFor('I');
    ASSERT_GT(i.rows, c.cell / 2) << c.cell;
    EXPECT_EQ(i.top, i.rows) << c.cell;
    for (int y = 0; y < i.rows; ++y)
      for (int x = 0; x < i.width; ++x)
        EXPECT_EQ(i.ink[static_cast<size_t>(y) * i.width + x], 1) << x << "," << y;
  }
}

TEST_F(Windows, WicWritesAn8BitRgbPngOfEveryPixel) {
  Canvas canvas(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) canvas.SetPixel(x, y, Rgb(x * 40, y * 60, 255 - x * y * 7));
  std::vector<unsigned char> bytes = EncodeThroughAFile(canvas);
  // The header chunk: bit depth 8, colour type 2 (RGB), no interlace.
  ASSERT_GT(bytes.size(), 33u);
  EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
  EXPECT_EQ(bytes[24], 8);
  EXPECT_EQ(bytes[25], 2);
  EXPECT_EQ(bytes[28], 0);
  Decoded d;
  ASSERT_TRUE(DecodePng(bytes, d));
  EXPECT_EQ(d.width, 7);
  EXPECT_EQ(d.height, 5);
  EXPECT_EQ(d.pixels, canvas.pixels());
}

TEST_F(Windows, TheDefaultRunIsTheLinuxBuildsPicture) {
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas canvas(640, 480, fonts.closingLine.get());
  PaintViewBackground(canvas, true, fonts);
  RunParameters p;
  EXPECT_EQ(ClosingLineText(RunPlot(canvas, p)), "Shortest Distance: 18.19664 AU");

  std::vector<unsigned char> ours = EncodeThroughAFile(canvas);
  std::vector<unsigned char> linux = ReadBytes(QUORVEX_LINUX_PICTURE);
  Decoded mine;
  Decoded reference;
  ASSERT_TRUE(DecodePng(ours, mine));
  ASSERT_TRUE(DecodePng(linux, reference)) << QUORVEX_LINUX_PICTURE;
  ASSERT_EQ(reference.pixels.size(), mine.pixels.size());
  int differing = 0;
  for (size_t i = 0; i < mine.pixels.size(); ++i) differing += mine.pixels[i] != reference.pixels[i];
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace quorvex
