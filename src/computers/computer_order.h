// A cheap order of computer names for sorting a whole list at once: letter
// case ignored, other signs before digits, digits before letters, bytes past
// ASCII last. For names made of letters, digits and dots it gives the order
// the platform's list controls keep; a caller checks the result against the
// platform's own compare before relying on it. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talkpost {

// Negative, zero or positive as a comes before, with or after b.
int compareComputerNames(std::string_view a, std::string_view b);

// The texts sorted by compareComputerNames; texts that compare equal keep
// their given order.
std::vector<std::string> sortedComputerNames(std::vector<std::string> texts);

}  // namespace talkpost
