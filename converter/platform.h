// What differs between Linux and Windows, in one place.
#pragma once

#include <cstdio>

namespace zivuvi {

// Whether destination_path names the file that source reads, by any name:
// the same path, a hard link or a symbolic link. False when it does not exist.
bool is_same_file(std::FILE* source, const char* destination_path);

// The processors this process may run on (its affinity), at least 1.
unsigned available_processors();

}  // namespace zivuvi
