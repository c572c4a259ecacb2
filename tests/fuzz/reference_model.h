// The plain models, behind functions of their own: reference_model.cpp is
// built without the fuzzer's coverage instrumentation, since their branches
// are not the tool's and tracing them would slow every run.
#pragma once

#include <cstdint>
#include <string>

#include "reference_table.h"

namespace zivuvi::fuzz {

reference::Conversion model_conversion(const std::string& source, char separator, char delimiter,
                                       const std::string& name, std::int64_t max_cells);

double model_number(const std::string& field, char separator);

}  // namespace zivuvi::fuzz
