#pragma once

#include <string>
#include <vector>

namespace sonifix::testing {

// What the user would have seen, in order, across the fakes that show things.
using EventLog = std::vector<std::string>;

} // namespace sonifix::testing
