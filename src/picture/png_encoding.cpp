#include "picture/png_encoding.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace kestavon {
namespace {

constexpr double kMetresPerInch = 0.0254;

// Where libpng's callbacks leave what they met: libpng reports a failure by a long jump out of its
// own frames, so nothing with a destructor may live between the setjmp and libpng's calls.
struct Encoding {
  std::vector<std::uint8_t>* bytes;
  char error[200];
  bool outOfMemory;
};

Encoding& encodingOf(png_structp png) { return *static_cast<Encoding*>(png_get_io_ptr(png)); }

void append(png_structp png, png_bytep data, png_size_t length) {
  Encoding& encoding = encodingOf(png);
  try {
    encoding.bytes->insert(encoding.bytes->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    encoding.outOfMemory = true;
  }
  // Out of the handler: the long jump must leave no exception half handled behind it.
  if (encoding.outOfMemory) png_error(png, "out of memory");
}

void noFlush(png_structp /*png*/) {}

void onError(png_structp png, png_const_charp message) {
  auto* encoding = static_cast<Encoding*>(png_get_error_ptr(png));
  std::strncpy(encoding->error, message, sizeof encoding->error - 1);
  png_longjmp(png, 1);
}

void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Writes the image, one row of RGB bytes at a time from `row`; false when libpng failed. Only
// plain values here, for the long jump.
bool encodeRows(png_structp png, png_infop info, const RasterCanvas& canvas, png_bytep row) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width()),
               static_cast<png_uint_32>(canvas.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const double dotsPerMetre = 1440 / canvas.twipsPerPixel() / kMetresPerInch;
  const auto resolution = static_cast<png_uint_32>(std::lround(dotsPerMetre));
  png_set_pHYs(png, info, resolution, resolution, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  for (int y = 0; y < canvas.height(); ++y) {
    png_bytep out = row;
    for (int x = 0; x < canvas.width(); ++x) {  // 0xFFRRGGBB to R, G, B
      const std::uint32_t pixel = canvas.pixel(x, y);
      *out++ = static_cast<png_byte>(pixel >> 16);
      *out++ = static_cast<png_byte>(pixel >> 8);
      *out++ = static_cast<png_byte>(pixel);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const RasterCanvas& canvas) {
  std::vector<std::uint8_t> bytes;
  std::vector<png_byte> row(static_cast<std::size_t>(canvas.width()) * 3);
  Encoding encoding{&bytes, {}, false};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, onError, onWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    throw std::bad_alloc();
  }
  png_set_write_fn(png, &encoding, append, noFlush);
  const bool encoded = encodeRows(png, info, canvas, row.data());
  png_destroy_write_struct(&png, &info);
  if (encoding.outOfMemory) throw std::bad_alloc();
  if (!encoded) throw std::runtime_error("the PNG library failed: " + std::string(encoding.error));
  return bytes;
}

}  // namespace kestavon
