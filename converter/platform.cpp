#include "platform.h"

#include <bit>
#include <cstdint>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zivuvi {

#ifdef _WIN32

std::string to_utf8(const NativeChar* argument) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, argument, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, argument, -1, text.data(), size, nullptr, nullptr);
  return text;
}

std::FILE* open_file(const NativeChar* path, const char* mode) {
  return _wfopen(path, mode[0] == 'r' ? L"rb" : L"wb");
}

namespace {

HANDLE handle_of(std::FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

}  // namespace

// Volume serial number and file index identify a file as device and inode do.
bool is_same_file(std::FILE* source, const NativeChar* destination_path) {
  BY_HANDLE_FILE_INFORMATION source_info;
  const HANDLE source_handle = handle_of(source);
  if (source_handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(source_handle, &source_info)) {
    return false;
  }
  const HANDLE destination =
      CreateFileW(destination_path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (destination == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION destination_info;
  const bool same = GetFileInformationByHandle(destination, &destination_info) &&
                    source_info.dwVolumeSerialNumber == destination_info.dwVolumeSerialNumber &&
                    source_info.nFileIndexHigh == destination_info.nFileIndexHigh &&
                    source_info.nFileIndexLow == destination_info.nFileIndexLow;
  CloseHandle(destination);
  return same;
}

// A directory does not open as a file here.
bool holds_data(std::FILE*) {
  return true;
}

bool can_seek(std::FILE* file) {
  return GetFileType(handle_of(file)) == FILE_TYPE_DISK;
}

std::int64_t file_size(std::FILE* file) {
  LARGE_INTEGER size;
  if (GetFileType(handle_of(file)) != FILE_TYPE_DISK || !GetFileSizeEx(handle_of(file), &size)) {
    return -1;
  }
  return size.QuadPart;
}

bool is_terminal(std::FILE* file) {
  return _isatty(_fileno(file)) != 0;
}

unsigned available_processors() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) return 1;
  const int count = std::popcount(static_cast<std::uint64_t>(process_mask));
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

#else

std::string to_utf8(const NativeChar* argument) {
  return argument;
}

std::FILE* open_file(const NativeChar* path, const char* mode) {
  return std::fopen(path, mode);
}

bool is_same_file(std::FILE* source, const NativeChar* destination_path) {
  struct stat source_status {};
  struct stat destination_status {};
  if (fstat(fileno(source), &source_status) != 0) return false;
  if (stat(destination_path, &destination_status) != 0) return false;
  return source_status.st_dev == destination_status.st_dev &&
         source_status.st_ino == destination_status.st_ino;
}

bool holds_data(std::FILE* file) {
  struct stat status {};
  return fstat(fileno(file), &status) == 0 && !S_ISDIR(status.st_mode);
}

// fseek rather than the descriptor: streams in memory have none, and seek.
bool can_seek(std::FILE* file) {
  return std::fseek(file, 0, SEEK_CUR) == 0;
}

std::int64_t file_size(std::FILE* file) {
  struct stat status {};
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
  return status.st_size;
}

bool is_terminal(std::FILE* file) {
  return isatty(fileno(file)) != 0;
}

unsigned available_processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

#endif

}  // namespace zivuvi
