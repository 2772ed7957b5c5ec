#pragma once

#include <string>
#include <string_view>

namespace paiscribe {

// A path in double quotes with every byte accounted for: escapes for quotes,
// backslashes, controls, unprintable and combining characters, and \xNN for
// each byte that is not part of well-formed UTF-8. Used where the exact path
// matters (a log that cannot be opened).
std::string quoted_path(std::string_view path);

// A path as a reader would see it: UTF-8 with each ill-formed part replaced
// by U+FFFD, no quotes, no escapes.
std::string display_path(std::string_view path);

}  // namespace paiscribe
