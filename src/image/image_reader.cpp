#include "image/image_reader.h"

#include <ext/stdio_filebuf.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <istream>
#include <new>
#include <sstream>

#include "image/intel_hex.h"
#include "operator/formatted.h"
#include "operator/messages.h"
#include "operator/operator.h"
#include "protocol/chip_type_dialog.h"
#include "settings/regular_file.h"

namespace quillon {

namespace {

constexpr std::uint64_t AddressSpace = 0x10000;
// The queued link programs whole bursts of this size, whatever the sector size.
constexpr std::uint32_t BurstSize = 128;

// An operator who named no file at all is told so, as a reason would mean nothing.
int CannotOpen(const std::string& name, const std::error_code& reason, OperatorMessages& op) {
  op.Inform(name.empty() ? std::string(msg::CannotOpenFile)
                         : Formatted(msg::CannotOpenSelectedFileFormat, name.c_str(), reason.message().c_str()));
  return ImageBadFile;
}

// The image bytes, or only the length of an image that could fit the address space under
// no rule.
std::error_code ReadImage(const std::string& name, ImageFile& image) {
  std::error_code error;
  const int fd = OpenRegularFile(name, error);
  if (fd < 0) {
    return error;
  }
  __gnu_cxx::stdio_filebuf<char> buffer(fd, std::ios::in | std::ios::binary);
  std::istream file(&buffer);
  // Once the file is open, only the disk can fail the read.
  error = std::make_error_code(std::errc::io_error);
  if (!file.seekg(0, std::ios::end)) {
    return error;
  }
  const std::streamoff length = file.tellg();
  if (length < 0) {
    return error;
  }
  image.Length = static_cast<std::uint64_t>(length);
  image.Bytes.clear();
  if (image.Length > AddressSpace) {
    return {};
  }
  if (!file.seekg(0)) {
    return error;
  }
  image.Bytes.resize(static_cast<std::size_t>(image.Length));
  file.read(reinterpret_cast<char*>(image.Bytes.data()), static_cast<std::streamsize>(image.Length));
  // A file that shrank since its length was taken is taken as it is now.
  image.Bytes.resize(static_cast<std::size_t>(file.gcount()));
  image.Length = image.Bytes.size();
  return file.bad() ? error : std::error_code();
}

std::uint64_t BlockEnd(const BlockGeometry& geometry) {
  return std::uint64_t{geometry.StartAddress} + geometry.BlockSize;
}

ImageSegment Segment(int block, std::uint32_t address, std::uint32_t offset, std::uint64_t length, std::uint32_t unit) {
  const auto dataLength = static_cast<std::uint32_t>(length);
  return {static_cast<std::uint32_t>(block), address, offset, dataLength, (dataLength + unit - 1) / unit * unit};
}

// What is over size, and by how much.
int OverSize(std::uint64_t end, std::uint64_t limit, OperatorMessages& op) {
  op.Inform(
      std::string(msg::OverSize) + "\n" +
      Formatted(msg::OverSizeEndFormat, static_cast<unsigned long long>(end - 1), static_cast<unsigned>(limit - 1)));
  return ImageOverSize;
}

int ConvertHexText(std::istream& text, const StagingFile& target, OperatorMessages& op, ImageFile& image) {
  HexReading reading = ReadIntelHex(text);
  if (reading.faultLine != 0) {
    op.Inform(HexFaultText(reading));
    return ImageBadFile;
  }
  if (reading.beyondAddressSpace) {
    return OverSize(reading.end, AddressSpace, op);
  }
  std::string failure;
  if (!target.Write(reading.image, failure)) {
    op.Inform(failure);
    return ImageBadFile;
  }
  image.Length = reading.image.size();
  image.Bytes = std::move(reading.image);
  return ImageDone;
}

}  // namespace

bool IsHexFileName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return false;
  }
  const std::string_view extension = name.substr(dot + 1);
  constexpr std::array<std::string_view, 3> HexExtensions = {"hex", "ihx", "ihex"};
  return std::any_of(HexExtensions.begin(), HexExtensions.end(), [extension](std::string_view hex) {
    return std::equal(extension.begin(), extension.end(), hex.begin(), hex.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  });
}

int ConvertHexToBinary(const std::string& hexName, const StagingFile& target, OperatorMessages& op, ImageFile& image) {
  if (!IsHexFileName(hexName)) {
    return ImageBadFile;
  }
  std::error_code error;
  const int fd = OpenRegularFile(hexName, error);
  if (fd < 0) {
    return CannotOpen(hexName, error, op);
  }
  __gnu_cxx::stdio_filebuf<char> buffer(fd, std::ios::in);
  std::istream text(&buffer);
  return ConvertHexText(text, target, op, image);
}

int ParseImage(std::string_view bytes, bool hex, const StagingFile& staging, OperatorMessages& op, ImageFile& image) {
  if (hex) {
    std::istringstream text{std::string(bytes)};
    return ConvertHexText(text, staging, op, image);
  }
  image.Length = bytes.size();
  image.Bytes.clear();
  if (image.Length <= AddressSpace) {
    image.Bytes.assign(bytes.begin(), bytes.end());
  }
  return ImageDone;
}

int OpenImageFile(const std::string& name, OperatorMessages& op, ImageFile& image, const StagingFile& staging) {
  if (IsHexFileName(name)) {
    return ConvertHexToBinary(name, staging, op, image);
  }
  const std::error_code error = ReadImage(name, image);
  return error ? CannotOpen(name, error, op) : ImageDone;
}

int PlanImageSegments(std::uint64_t length, int block, std::uint32_t start, SegmentRule rule, const CChipTypeDlg& chip,
                      OperatorMessages& op, std::vector<ImageSegment>& segments) {
  segments.clear();
  const std::uint64_t end = start + length;
  const BlockGeometry& own = chip.Geometry(block);
  if (end <= BlockEnd(own)) {
    segments.push_back(Segment(block, start, 0, length, rule == SingleBlockRule ? BurstSize : own.SectorSize));
    return ImageDone;
  }
  // Only an image laid out as the whole address space from block 0's start can be split:
  // from any other start its block 1 part would not lie at the file offset it is taken from.
  const BlockGeometry& upper = chip.Geometry(1);
  const bool splits = rule == SplitRule && block == 0 && start == own.StartAddress;
  if (!splits || end < upper.StartAddress || end > BlockEnd(upper)) {
    return OverSize(end, splits && end > BlockEnd(upper) ? BlockEnd(upper) : BlockEnd(own), op);
  }
  segments.push_back(Segment(0, start, 0, own.BlockSize, own.SectorSize));
  segments.push_back(Segment(1, upper.StartAddress, upper.StartAddress, length - upper.StartAddress, upper.SectorSize));
  return ImageDone;
}

int PrepareImage(const std::string& name, int block, std::uint32_t start, SegmentRule rule, const CChipTypeDlg& chip,
                 OperatorMessages& op, const StagingFile& staging, PlannedImage& planned) {
  const int opened = OpenImageFile(name, op, planned.File, staging);
  if (opened != ImageDone) {
    return opened;
  }
  return PlanImageSegments(planned.File.Length, block, start, rule, chip, op, planned.Segments);
}

int LoadImageSegment(const ImageFile& image, const ImageSegment& segment, std::vector<std::uint8_t>& buffer) {
  try {
    buffer.assign(segment.FilledLength, 0xFF);
  } catch (const std::bad_alloc&) {
    return ImageNoMemory;
  }
  const std::size_t from = std::min<std::size_t>(segment.FileOffset, image.Bytes.size());
  const std::size_t count = std::min({std::size_t{segment.DataLength}, image.Bytes.size() - from, buffer.size()});
  std::copy_n(image.Bytes.begin() + static_cast<std::ptrdiff_t>(from), count, buffer.begin());
  return ImageDone;
}

}  // namespace quillon
