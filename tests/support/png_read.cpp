#include "tests/support/png_read.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace quorvex::testing {

bool ReadPng(const std::string& path, Picture& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  // The header as written, before any conversion.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  unsigned char header[26] = {};
  if (!f || std::fread(header, 1, sizeof header, f.get()) != sizeof header) {
    png_image_free(&image);
    return false;
  }
  out.bitDepth = header[24];
  out.colorType = header[25];
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  for (size_t i = 0; i < out.pixels.size(); ++i)
    out.pixels[i] = Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  return true;
}

}  // namespace quorvex::testing
