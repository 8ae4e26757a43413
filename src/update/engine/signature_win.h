// The platform's check of the publisher's signature (CNG).
#pragma once

#include <string_view>

#include "update/engine/signature.h"

namespace talkpost::update {

// True when the signature is the key's ECDSA P-256 signature over the
// SHA-256 of the bytes.
bool verifySignature(std::string_view bytes, const SignatureBytes& signature, const PublicKeyBytes& key);

}  // namespace talkpost::update
