#pragma once
// Writing a bitmap as a PNG file.

#include <string>

#include "platform/graphics/Graphics.h"

// Writes Bitmap as an 8-bit RGB PNG; raises rv::EFCreateError when the file
// can't be written.
void WritePng(const rv::TBitmap& Bitmap, const std::string& FileName);
