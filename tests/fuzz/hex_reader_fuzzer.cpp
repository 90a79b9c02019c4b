// The Intel HEX reader on any text: it refuses it, naming a line, or reads an image; the
// case of the digits and whatever follows the end record change nothing, and a download
// takes from the image its own bytes only.
#include <algorithm>
#include <sstream>

#include "image/image_reader.h"
#include "image/intel_hex.h"
#include "protocol/chip_type_dialog.h"
#include "require.h"
#include "support/scripted_operator.h"

using namespace quillon;
using fuzz::Require;

namespace {

HexReading Read(const std::string& text) {
  std::istringstream stream(text);
  return ReadIntelHex(stream);
}

void RequireSegmentsOfImage(const std::vector<std::uint8_t>& image, int chipType) {
  CChipTypeDlg chip;
  chip.SetChipType(chipType);
  chip.ApplyChipType();
  test::ScriptedOperator op;
  std::vector<ImageSegment> segments;
  if (PlanImageSegments(image.size(), 0, 0, SplitRule, chip, op, segments) != ImageDone) return;
  const ImageFile file{image.size(), image};
  for (const ImageSegment& segment : segments) {
    std::vector<std::uint8_t> buffer;
    Require(LoadImageSegment(file, segment, buffer) == ImageDone && buffer.size() == segment.FilledLength,
            "a segment fills its sectors");
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      Require(buffer[i] == (i < segment.DataLength ? image[segment.FileOffset + i] : 0xFF),
              "a segment holds the image's bytes, then erased fill");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const HexReading reading = Read(text);
  Require(reading.image.size() <= 0x10000, "the image fits the address space");
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; });
  Require(Read(upper) == reading, "hex digits read the same in either case");
  if (reading.faultLine != 0) {
    Require(reading.image.empty() && !reading.fault.empty(), "a refused file leaves no image and a reason");
    return 0;
  }
  Require(Read(text + "\n" + text) == reading, "nothing after the end record counts");
  if (reading.beyondAddressSpace) return 0;
  RequireSegmentsOfImage(reading.image, ChipQRV71A16);
  RequireSegmentsOfImage(reading.image, ChipQRV71A32);
  return 0;
}
