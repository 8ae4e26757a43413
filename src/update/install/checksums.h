// The two checksums a control file can publish for a file, and its size, read
// in blocks of 4,096 bytes. Values are signed 32-bit, as written in the control
// file and the log. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace talkpost::update {

// Starts at -1 and adds every byte as an unsigned number, wrapping at 32 bits.
class ByteSum {
public:
    void add(const unsigned char* data, std::size_t size);
    std::int32_t value() const { return static_cast<std::int32_t>(sum_); }

private:
    std::uint32_t sum_ = 0xFFFFFFFFu;
};

// The update checksum: the CRC-32 table step (reflected polynomial 0xEDB88320),
// with each step added to the running value rather than assigned to it, and the
// bits inverted at the end. Checksums published for this engine are made this way.
class UpdateChecksum {
public:
    void add(const unsigned char* data, std::size_t size);
    std::int32_t value() const { return static_cast<std::int32_t>(~v_); }

private:
    std::uint32_t v_ = 0xFFFFFFFFu;
};

// A file that cannot be opened: byteSum -1, fileChecksum 0, fileSize -1.
std::int32_t byteSum(const std::string& path);
std::int32_t fileChecksum(const std::string& path);
std::int32_t fileSize(const std::string& path);

}  // namespace talkpost::update
