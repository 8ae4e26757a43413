// SZDD compression: literals and (position, length) pairs in groups of eight
// behind a flag byte; positions are places in the expander's ring buffer,
// which starts filled with blanks and writes from 4,096 - 16.
#include "szdd/szdd.h"

#include <cstdint>
#include <vector>

namespace talkpost::szdd {
namespace {

constexpr std::size_t kWindow = 4096;
constexpr std::size_t kStart = kWindow - 16;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
// Matches reach no further back than this, so the source is never the slot being written.
constexpr std::size_t kMaxDistance = kWindow - kMaxMatch;
constexpr std::size_t kHashSize = 1 << 14;
constexpr int kChainLimit = 256;

std::size_t hash3(const std::string& d, std::size_t i)
{
    auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(d[i + k])); };
    return ((b(0) << 10) ^ (b(1) << 5) ^ b(2)) & (kHashSize - 1);
}

void putLittleEndian32(std::string& out, std::uint32_t v)
{
    for (int k = 0; k < 4; ++k)
        out += static_cast<char>((v >> (8 * k)) & 0xFF);
}

}  // namespace

std::string compress(const std::string& data, char missingChar)
{
    std::string out = "SZDD\x88\xF0\x27\x33";
    out += 'A';
    out += missingChar;
    putLittleEndian32(out, static_cast<std::uint32_t>(data.size()));

    std::vector<std::int64_t> head(kHashSize, -1), previous(data.size(), -1);
    auto insert = [&](std::size_t i) {
        if (i + kMinMatch > data.size())
            return;
        std::size_t h = hash3(data, i);
        previous[i] = head[h];
        head[h] = static_cast<std::int64_t>(i);
    };

    std::size_t i = 0;
    while (i < data.size()) {
        std::size_t flagAt = out.size();
        out += '\0';
        unsigned flags = 0;
        for (int item = 0; item < 8 && i < data.size(); ++item) {
            std::size_t bestLength = 0, bestFrom = 0;
            if (i + kMinMatch <= data.size()) {
                std::size_t limit = std::min(kMaxMatch, data.size() - i);
                int chain = kChainLimit;
                for (std::int64_t c = head[hash3(data, i)]; c >= 0 && chain-- > 0; c = previous[c]) {
                    auto from = static_cast<std::size_t>(c);
                    if (i - from > kMaxDistance)
                        break;
                    std::size_t length = 0;
                    // Byte by byte, as the expander copies: a source overlapping
                    // the bytes being written repeats them.
                    while (length < limit && data[from + length] == data[i + length])
                        ++length;
                    if (length > bestLength) {
                        bestLength = length;
                        bestFrom = from;
                        if (length == limit)
                            break;
                    }
                }
            }
            if (bestLength >= kMinMatch) {
                std::size_t position = (kStart + bestFrom) & (kWindow - 1);
                out += static_cast<char>(position & 0xFF);
                out += static_cast<char>(((position >> 4) & 0xF0) | (bestLength - kMinMatch));
                for (std::size_t k = 0; k < bestLength; ++k)
                    insert(i + k);
                i += bestLength;
            } else {
                flags |= 1u << item;
                out += data[i];
                insert(i);
                ++i;
            }
        }
        out[flagAt] = static_cast<char>(flags);
    }
    return out;
}

std::string compressedName(const std::string& name)
{
    if (name.empty())
        return name;
    std::string result = name;
    result.back() = '_';
    return result;
}

}  // namespace talkpost::szdd
