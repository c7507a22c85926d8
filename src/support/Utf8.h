#pragma once

#include <string>
#include <string_view>

namespace sonifix::utf8 {

// The bytes as UTF-8 text: each ill-formed sequence (by its maximal subpart) becomes U+FFFD;
// everything well-formed is kept as it is.
std::string repaired(std::string_view bytes);

} // namespace sonifix::utf8
