#pragma once

#include <filesystem>
#include <string_view>

namespace quillon {

// Every byte, or false: a short write is carried on, an interrupted one retried.
bool WriteAll(int fd, std::string_view bytes);

// A new or renamed name is only durable once the directory that holds it has reached the
// disk; for a file name that has no directory part, that is the working directory.
void SyncDirectoryOf(const std::filesystem::path& file);

// Makes the directory if it is missing, private to the user (0700), with its parents as usual.
bool EnsurePrivateDirectory(const std::filesystem::path& directory);

// Replaces the file so that a reader, a crash or a full disk leaves either the old file
// whole or the new one whole, never a mix: the bytes go to a fresh temporary file beside
// it, reach the disk, and only then take the file's name. A link planted at the name is
// replaced, not written through.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace quillon
