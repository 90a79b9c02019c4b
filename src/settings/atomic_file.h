#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace quillon {

// Every byte, or the reason why not: a short write is carried on, an interrupted one
// retried, and a write that takes nothing counts as the disk's failure. A descriptor that
// does not block is waited for, but not for long: a FIFO whose reader has stopped reading
// would take the rest never.
std::error_code WriteAll(int fd, std::string_view bytes);

// Makes the directory if it is missing, private to the user (0700), with its parents as usual.
std::error_code EnsurePrivateDirectory(const std::filesystem::path& directory);

// The permissions of a file that takes a name: `bits` as a new file takes them, less the
// umask, or exactly `bits` when `exact`, as a replaced file keeps its own.
struct FilePermissions {
  mode_t bits = 0600;
  bool exact = false;
};

// Gives `name` in the open directory exactly these bytes, so that a reader, a crash or a
// full disk leaves either the old file whole or the new one whole, never a mix: the bytes
// go to a fresh hidden file beside it, created exclusively so that nothing planted there
// is followed, reach the disk, and only then take the name, which then reaches the disk
// too. Whatever stands at the name, a link included, is replaced, not written through. On
// failure nothing is left beside it.
std::error_code ReplaceInDirectory(int directory, const std::string& name, std::string_view bytes,
                                   FilePermissions permissions);

// The same for a path: its directory, or the working directory for a bare name.
std::error_code WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                    FilePermissions permissions = {});

// What the operator is told when a file could not be written: the file and the reason.
std::string WriteFailureText(const std::filesystem::path& file, std::string_view reason);
std::string WriteFailureText(const std::filesystem::path& file, std::error_code error);

}  // namespace quillon
