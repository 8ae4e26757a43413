// The cheap order of computer names.
#include "computers/computer_order.h"

#include <algorithm>

namespace talkpost {
namespace {

// Sorting weight of one byte: signs, then digits, then letters (case
// folded), then bytes past ASCII, each group in byte order.
int weight(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        c = static_cast<unsigned char>(c - 'A' + 'a');
    if (c >= 0x80)
        return 0x300 + c;
    if (c >= 'a' && c <= 'z')
        return 0x200 + c;
    if (c >= '0' && c <= '9')
        return 0x100 + c;
    return c;
}

}  // namespace

int compareComputerNames(std::string_view a, std::string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int difference = weight(static_cast<unsigned char>(a[i])) - weight(static_cast<unsigned char>(b[i]));
        if (difference != 0)
            return difference;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::vector<std::string> sortedComputerNames(std::vector<std::string> texts)
{
    std::stable_sort(texts.begin(), texts.end(),
                     [](const std::string& a, const std::string& b) { return compareComputerNames(a, b) < 0; });
    return texts;
}

}  // namespace talkpost
