// A small file read whole into memory, the one way the settings file, the
// update's file copies and the helper's list files are read.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace talkpost {

// The file's bytes; nullopt when it cannot be opened or read whole, or when it
// is larger than limit. Others may read it meanwhile, and with
// FILE_SHARE_WRITE in share also write it.
std::optional<std::string> readFileBytes(const std::string& path, std::uint64_t limit, DWORD share = FILE_SHARE_READ);

}  // namespace talkpost
