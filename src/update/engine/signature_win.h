// The platform's check of the publisher's signature (CNG).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "update/engine/signature.h"

namespace talkpost::update {

// True when the signature is the key's ECDSA P-256 signature over the
// SHA-256 of the bytes.
bool verifySignature(std::string_view bytes, const SignatureBytes& signature, const PublicKeyBytes& key);

// The SHA-256 of a file's bytes as 64 lower-case hex digits, or nullopt when
// the file cannot be read.
std::optional<std::string> fileSha256Hex(const std::string& path);

// The SHA-256 of the bytes as 64 lower-case hex digits (empty when the
// platform cannot compute it).
std::string sha256Hex(std::string_view bytes);

}  // namespace talkpost::update
