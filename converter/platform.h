// What differs between Linux and Windows, in one place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace zivuvi {

// The command line's characters: Windows passes UTF-16, so that every name,
// in any script, reaches the file system unchanged; elsewhere, bytes.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// An argument as UTF-8: converted from UTF-16 on Windows, the bytes as given
// elsewhere.
std::string to_utf8(const NativeChar* argument);

// mode is "rb" or "wb".
std::FILE* open_file(const NativeChar* path, const char* mode);

// An open file that is closed on every path; close() tells whether
// everything written reached the file.
class File {
 public:
  explicit File(std::FILE* file) : file_(file) {}
  ~File() {
    if (file_ != nullptr) std::fclose(file_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  std::FILE* get() const { return file_; }
  bool close() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed;
  }

 private:
  std::FILE* file_;
};

// Whether destination_path names the file that source reads, by any name:
// the same path, a hard link or a symbolic link. False when it does not exist.
bool is_same_file(std::FILE* source, const NativeChar* destination_path);

// False for what opens but holds no data to read, such as a directory.
bool holds_data(std::FILE* file);

// Whether the file position can be set: false for a pipe or a terminal.
bool can_seek(std::FILE* file);

// The size of a regular file, or -1 when it has none (a pipe).
std::int64_t file_size(std::FILE* file);

bool is_terminal(std::FILE* file);

// The processors this process may run on (its affinity), at least 1.
unsigned available_processors();

}  // namespace zivuvi
