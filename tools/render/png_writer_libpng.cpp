#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "tools/render/png_writer.h"

namespace quorvex {
namespace {

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  *error = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// The output goes through stdio here rather than in libpng, so that a failed
// write is reported with the system's reason ("No space left on device").
struct Sink {
  std::FILE* out;
  std::string* error;
};

void OnPngWrite(png_structp png, png_bytep data, size_t size) {
  const Sink* sink = static_cast<const Sink*>(png_get_io_ptr(png));
  errno = 0;
  if (std::fwrite(data, 1, size, sink->out) != size) {
    *sink->error = std::strerror(errno ? errno : EIO);
    png_longjmp(png, 1);
  }
}

void OnPngFlush(png_structp) {}

}  // namespace

bool WritePng(std::FILE* out, const Canvas& canvas, std::string& error) {
  if (canvas.width() <= 0 || canvas.height() <= 0) {
    error = "empty picture";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (!png) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  // Everything setjmp may come back to lives outside this frame's locals
  // that change after it.
  std::vector<png_byte> row(static_cast<size_t>(canvas.width()) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    if (error.empty()) error = "out of memory";
    png_destroy_write_struct(&png, &info);
    return false;
  }
  Sink sink{out, &error};
  png_set_write_fn(png, &sink, OnPngWrite, OnPngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()), static_cast<png_uint_32>(canvas.height()),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const Color* px = canvas.pixels().data();
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const Color c = px[static_cast<size_t>(y) * canvas.width() + x];
      row[3 * x] = static_cast<png_byte>(RedOf(c));
      row[3 * x + 1] = static_cast<png_byte>(GreenOf(c));
      row[3 * x + 2] = static_cast<png_byte>(BlueOf(c));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace quorvex
