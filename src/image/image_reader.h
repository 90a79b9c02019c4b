#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/staging_file.h"

namespace quillon {

class CChipTypeDlg;
class OperatorMessages;

// What the reader tells a pipeline, which passes any of them but ImageDone on.
enum ImageResult : int {
  ImageDone = 0,
  ImageOverSize = 7,
  ImageNoMemory = 8,
  // The file cannot be read or holds no valid image. Nothing has gone to the target, so
  // unlike ImageFailed it says nothing about the link.
  ImageBadFile = 11,
  // What the pipelines add: an erase that failed or a file that could not be saved, a
  // program, verify or compare that failed, and a read-back that came back short.
  ImageFailed = -1,
  ImageProgramFailed = 9,
  ImageReadShort = 10,
  // The person stopped it; the device has noted where.
  ImageStopped = 12,
  // The printer could not start or finish the job; the flash was read whole, so the link
  // is as it was.
  ImagePrinterFailed = 13,
};

enum SegmentRule : int {
  // Download in external memory, and compare: an image from block 0's start that reaches
  // into block 1's range is cut in two, the bytes between the blocks left out.
  SplitRule,
  // Download in internal memory: one block, programmed in whole 128-byte bursts.
  SingleBlockRule,
};

// An image as it was when opened: byte k belongs at flash address start + k. Taken whole
// into memory, so that a file rebuilt during a download cannot mix two builds in flash.
struct ImageFile {
  std::uint64_t Length = 0;
  // Every byte of the image when it can fit the address space at all; a longer image is
  // over size under every rule and only its length is kept.
  std::vector<std::uint8_t> Bytes;
};

// One contiguous piece of the image destined for one block.
struct ImageSegment {
  std::uint32_t Block = 0;
  std::uint32_t FlashAddress = 0;
  std::uint32_t FileOffset = 0;
  std::uint32_t DataLength = 0;
  // DataLength rounded up to the rule's unit: a whole number of sectors or of bursts.
  std::uint32_t FilledLength = 0;
  bool operator==(const ImageSegment&) const = default;
};

// .hex, .ihx and .ihex, in any case, name Intel HEX files; every other name a raw image.
bool IsHexFileName(std::string_view name);

// Reads the HEX file into an image from address 0 with 0xFF in the gaps, leaves a copy in
// `target` and hands the image over. ImageBadFile after saying why the file cannot be
// read, or naming the faulty line when the text is damaged; ImageBadFile, silently, when
// the name is not a HEX name or the copy cannot be written; ImageOverSize, said as such,
// when data lies beyond 0xFFFF.
int ConvertHexToBinary(const std::string& hexName, const StagingFile& target, OperatorMessages& op, ImageFile& image);

// Bytes already at hand, such as a pipe's: Intel HEX text when `hex`, converted as
// ConvertHexToBinary converts a file, else the image as it is.
int ParseImage(std::string_view bytes, bool hex, const StagingFile& staging, OperatorMessages& op, ImageFile& image);

// A HEX file through the staging file, any other file as it is. ImageBadFile after
// saying why when the file cannot be read, or as ConvertHexToBinary says.
int OpenImageFile(const std::string& name, OperatorMessages& op, ImageFile& image,
                  const StagingFile& staging = StagingFile::InCacheDirectory());

// Cuts an image of `length` bytes to start at `start` in `block` (0 or 1) into one or two
// segments, block 0's part first. ImageOverSize, after saying so, when it does not fit.
int PlanImageSegments(std::uint64_t length, int block, std::uint32_t start, SegmentRule rule, const CChipTypeDlg& chip,
                      OperatorMessages& op, std::vector<ImageSegment>& segments);

// An image read, checked and cut for its place in flash: all that a pipeline needs from
// the file before it sends the target anything.
struct PlannedImage {
  ImageFile File;
  std::vector<ImageSegment> Segments;
};

// OpenImageFile, then PlanImageSegments for the image's length; the first result that is
// not ImageDone, each told as they tell it.
int PrepareImage(const std::string& name, int block, std::uint32_t start, SegmentRule rule, const CChipTypeDlg& chip,
                 OperatorMessages& op, const StagingFile& staging, PlannedImage& planned);

// The segment's bytes followed by 0xFF up to its filled length; ImageNoMemory, silently.
int LoadImageSegment(const ImageFile& image, const ImageSegment& segment, std::vector<std::uint8_t>& buffer);

}  // namespace quillon
