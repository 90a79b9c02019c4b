#pragma once

#include <optional>
#include <string>

#include "image/image_reader.h"

namespace quillon {

// What a command works on. The window's dialogs hand one over on OK; quillon-cli builds
// one from its arguments. A start or a range indexes the command's dialog list as it is
// filled for the chip at hand; range 0 is every sector to the end of the block.

// Download, Download and Run, Compare.
struct ImageRequest {
  std::string file;  // the name the title and the IAP Status line give
  int start = 0;
  // The image as read before the command began, taken instead of reading the file.
  std::optional<ImageFile> image;
};

// Read, Sector Erase, Print.
struct RangeRequest {
  int start = 0;
  int range = 0;
};

// Save.
struct SaveRequest {
  std::string file;
  int start = 0;
  int range = 0;
  bool text = true;  // the text dump, else the bytes as they are
  // An open descriptor that takes the content instead of the file: standard output.
  std::optional<int> descriptor;
};

// Set Lock, Memory Remap: an option from 1.
struct OptionRequest {
  int option = 0;
};

}  // namespace quillon
