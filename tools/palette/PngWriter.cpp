#include "PngWriter.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

struct TPngWrite {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TPngWrite() {
    Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (Png) Info = png_create_info_struct(Png);
  }
  ~TPngWrite() { png_destroy_write_struct(&Png, &Info); }
  TPngWrite(const TPngWrite&) = delete;
  TPngWrite& operator=(const TPngWrite&) = delete;
};

// libpng reports errors by longjmp: nothing with a destructor lives in here.
bool encode(TPngWrite& png, FILE* file, int width, int height, std::vector<png_bytep>& rows) {
  if (!png.Info || setjmp(png_jmpbuf(png.Png))) return false;
  png_init_io(png.Png, file);
  png_set_IHDR(png.Png, png.Info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png.Png, png.Info);
  png_set_bgr(png.Png);  // the bitmap's rows are blue, green, red
  png_write_image(png.Png, rows.data());
  png_write_end(png.Png, nullptr);
  return true;
}

}  // namespace

void WritePng(const rv::TBitmap& Bitmap, const std::string& FileName) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(FileName.c_str(), "wb"), std::fclose);
  if (!file) throw rv::EFCreateError("Cannot create file \"" + FileName + "\"");
  std::vector<png_bytep> rows;
  for (int y = 0; y < Bitmap.Height(); ++y) rows.push_back(const_cast<png_bytep>(Bitmap.ScanLine(y)));
  TPngWrite png;
  if (!encode(png, file.get(), Bitmap.Width(), Bitmap.Height(), rows) || std::fflush(file.get()) != 0)
    throw rv::EFCreateError("Cannot write file \"" + FileName + "\"");
}
