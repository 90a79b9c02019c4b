#include "image/image_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>

#include "operator/formatted.h"
#include "image/intel_hex.h"
#include "operator/messages.h"
#include "protocol/chip_type_dialog.h"
#include "operator/operator.h"

namespace quillon {

namespace {

constexpr std::uint64_t AddressSpace = 0x10000;
// The queued link programs whole bursts of this size, whatever the sector size.
constexpr std::uint32_t BurstSize = 128;

// A directory or a device opens for reading too, but holds no image, and a FIFO would
// wait for a writer; `reason` says why a file is refused, in the system's words.
bool OpenRegularFile(const std::string& name, std::ifstream& file, std::string& reason) {
  struct stat status {};
  if (::stat(name.c_str(), &status) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    reason = S_ISDIR(status.st_mode) ? std::string(std::strerror(EISDIR)) : std::string(msg::NotRegularFile);
    return false;
  }
  errno = 0;
  file.open(name, std::ios::binary);
  if (!file.is_open()) {
    reason = std::strerror(errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

// An operator who named no file at all is told so, as a reason would mean nothing.
int CannotOpen(const std::string& name, const std::string& reason, OperatorMessages& op) {
  op.Inform(name.empty() ? std::string(msg::CannotOpenFile)
                         : Formatted(msg::CannotOpenNamedFileFormat, name.c_str(), reason.c_str()));
  return ImageBadFile;
}

bool ReadImage(const std::string& name, ImageFile& image, std::string& reason) {
  std::ifstream file;
  if (!OpenRegularFile(name, file, reason)) {
    return false;
  }
  // Once the file is open, only the disk can fail the read.
  reason = std::strerror(EIO);
  if (!file.seekg(0, std::ios::end)) {
    return false;
  }
  const std::streamoff length = file.tellg();
  if (length < 0) {
    return false;
  }
  image.Length = static_cast<std::uint64_t>(length);
  image.Bytes.clear();
  if (image.Length > AddressSpace) {
    return true;
  }
  if (!file.seekg(0)) {
    return false;
  }
  image.Bytes.resize(static_cast<std::size_t>(image.Length));
  file.read(reinterpret_cast<char*>(image.Bytes.data()), static_cast<std::streamsize>(image.Length));
  // A file that shrank since its length was taken is taken as it is now.
  image.Bytes.resize(static_cast<std::size_t>(file.gcount()));
  image.Length = image.Bytes.size();
  return !file.bad();
}

std::uint64_t BlockEnd(const BlockGeometry& geometry) {
  return std::uint64_t{geometry.StartAddress} + geometry.BlockSize;
}

ImageSegment Segment(int block, std::uint32_t address, std::uint32_t offset, std::uint64_t length,
                     std::uint32_t unit) {
  const auto dataLength = static_cast<std::uint32_t>(length);
  return {static_cast<std::uint32_t>(block), address, offset, dataLength, (dataLength + unit - 1) / unit * unit};
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

int ConvertHexToBinary(const std::string& hexName, const StagingFile& target, OperatorMessages& op,
                       ImageFile& image) {
  if (!IsHexFileName(hexName)) {
    return ImageBadFile;
  }
  std::ifstream text;
  std::string reason;
  if (!OpenRegularFile(hexName, text, reason)) {
    return CannotOpen(hexName, reason, op);
  }
  HexReading reading = ReadIntelHex(text);
  if (reading.faultLine != 0) {
    op.Inform(HexFaultText(reading));
    return ImageBadFile;
  }
  if (reading.beyondAddressSpace) {
    op.Inform(msg::OverSize);
    return ImageOverSize;
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

int OpenImageFile(const std::string& name, OperatorMessages& op, ImageFile& image, const StagingFile& staging) {
  if (IsHexFileName(name)) {
    return ConvertHexToBinary(name, staging, op, image);
  }
  std::string reason;
  return ReadImage(name, image, reason) ? ImageDone : CannotOpen(name, reason, op);
}

int PlanImageSegments(std::uint64_t length, int block, std::uint32_t start, SegmentRule rule,
                      const CChipTypeDlg& chip, OperatorMessages& op, std::vector<ImageSegment>& segments) {
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
  if (rule != SplitRule || block != 0 || start != own.StartAddress || end < upper.StartAddress ||
      end > BlockEnd(upper)) {
    op.Inform(msg::OverSize);
    return ImageOverSize;
  }
  segments.push_back(Segment(0, start, 0, own.BlockSize, own.SectorSize));
  segments.push_back(
      Segment(1, upper.StartAddress, upper.StartAddress, length - upper.StartAddress, upper.SectorSize));
  return ImageDone;
}

int PrepareImage(const std::string& name, int block, std::uint32_t start, SegmentRule rule,
                 const CChipTypeDlg& chip, OperatorMessages& op, const StagingFile& staging, PlannedImage& planned) {
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
