// SHA-256 through the platform's hash provider, which is taken from the
// system folder (never imported), block by block, so that a file's bytes can
// be hashed as they are copied: what is checked is what is written.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talkpost::update {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // False once anything failed; the digest is then nothing.
    bool add(const void* bytes, std::size_t size);
    // The 32 bytes of the digest, or nothing when the platform failed.
    std::optional<std::vector<unsigned char>> finish();
    // The digest as 64 lower-case hex digits, or nothing.
    std::optional<std::string> finishHex();

private:
    void* algorithm_ = nullptr;
    void* hash_ = nullptr;
    bool failed_ = false;
};

// The SHA-256 of bytes in memory, or nothing.
std::optional<std::string> sha256HexOf(std::string_view bytes);

// The SHA-256 of what is read from an open file from its current position to
// its end, or nothing when a read fails.
std::optional<std::string> sha256HexOfHandle(HANDLE file);

}  // namespace talkpost::update
