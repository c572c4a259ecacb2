#include "reference_model.h"

namespace zivuvi::fuzz {

reference::Conversion model_conversion(const std::string& source, char separator, char delimiter,
                                       const std::string& name, std::int64_t max_cells) {
  return reference::convert(source, separator, delimiter, name, max_cells);
}

double model_number(const std::string& field, char separator) {
  return reference::parse(field, separator);
}

}  // namespace zivuvi::fuzz
