// Base64 encoding and strict decoding.
#include "update/engine/base64.h"

namespace talkpost::update {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (std::size_t rest = bytes.size() - i; rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    std::string clean;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        clean += c;
    }
    if (clean.size() % 4 != 0)
        return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < clean.size(); i += 4) {
        bool last = i + 4 == clean.size();
        int pad = 0;
        unsigned v = 0;
        for (std::size_t j = 0; j < 4; ++j) {
            char c = clean[i + j];
            if (c == '=' && last && j >= 2) {
                ++pad;
                v <<= 6;
                continue;
            }
            int s = sextet(c);
            if (s < 0 || pad > 0)
                return std::nullopt;
            v = v << 6 | static_cast<unsigned>(s);
        }
        out += static_cast<char>(v >> 16);
        if (pad < 2)
            out += static_cast<char>((v >> 8) & 0xFF);
        if (pad < 1)
            out += static_cast<char>(v & 0xFF);
    }
    return out;
}

}  // namespace talkpost::update
