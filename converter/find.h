// memchr for char ranges, const or not.
#pragma once

#include <cstddef>
#include <cstring>

namespace zivuvi {

// The first `wanted` in [first, last), or last.
template <class Char>
Char* find_or_end(Char* first, Char* last, char wanted) {
  const void* hit = std::memchr(first, wanted, static_cast<std::size_t>(last - first));
  return hit != nullptr ? first + (static_cast<const Char*>(hit) - first) : last;
}

}  // namespace zivuvi
