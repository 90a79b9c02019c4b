#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace quillon {

// The raw image of the last HEX file converted, left on disk for a look afterwards. It
// lives in a directory of the user's own that nobody else may enter, so that no other
// user can read it, nor plant a link there that turns a conversion into a write elsewhere.
class StagingFile {
 public:
  static constexpr const char* FileName = "qrvtmp.bin";

  // $XDG_CACHE_HOME/quillon/qrvtmp.bin, ~/.cache/quillon/qrvtmp.bin by default.
  static StagingFile InCacheDirectory();
  explicit StagingFile(std::filesystem::path directory) : directory_(std::move(directory)) {}

  std::filesystem::path Path() const { return directory_ / FileName; }

  // Makes the file hold exactly `bytes`, creating the directory (0700) when missing, and
  // replaces it whole, so that a failure leaves the last image as it was. False, with the
  // text that tells the operator why, when the directory is a link or not this user's, a
  // link stands at the file's name, or the write fails.
  bool Write(std::span<const std::uint8_t> bytes, std::string& failure) const;

 private:
  std::filesystem::path directory_;
};

}  // namespace quillon
