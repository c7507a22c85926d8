#pragma once

#include <string>
#include <string_view>

namespace sonifix::email_address {

// Cuts blanks, tabs and the other Unicode space separators (not line breaks) from both ends.
std::string trimmed(std::string_view text);

// Whether the whole text looks like an address: a run, '@', a run, '.', a run, where no run
// holds white space (any Unicode white space, line breaks included), '@', '<' or '>'. Runs may
// hold full stops, so sub-domains pass.
bool looksValid(std::string_view text);

} // namespace sonifix::email_address
