#include "platform.h"

#include <bit>
#include <cstdint>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sched.h>
#include <sys/stat.h>
#endif

namespace zivuvi {

#ifdef _WIN32

// Volume serial number and file index identify a file as device and inode do.
bool is_same_file(std::FILE* source, const char* destination_path) {
  BY_HANDLE_FILE_INFORMATION source_info;
  const auto source_handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(source)));
  if (source_handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(source_handle, &source_info)) {
    return false;
  }
  const HANDLE destination =
      CreateFileA(destination_path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

unsigned available_processors() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) return 1;
  const int count = std::popcount(static_cast<std::uint64_t>(process_mask));
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

#else

bool is_same_file(std::FILE* source, const char* destination_path) {
  struct stat source_status {};
  struct stat destination_status {};
  if (fstat(fileno(source), &source_status) != 0) return false;
  if (stat(destination_path, &destination_status) != 0) return false;
  return source_status.st_dev == destination_status.st_dev &&
         source_status.st_ino == destination_status.st_ino;
}

unsigned available_processors() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  const int count = CPU_COUNT(&set);
  return count > 0 ? static_cast<unsigned>(count) : 1;
}

#endif

}  // namespace zivuvi
