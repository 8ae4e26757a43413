// The publisher's signature over the control file: ECDSA P-256 with SHA-256
// over the file's exact bytes, published beside it as address + ".sig", the
// Base64 text of the 64 bytes r || s. This part reads the texts; the check
// itself is the platform's (signature_win). Portable.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace talkpost::update {

using SignatureBytes = std::array<unsigned char, 64>;  // r || s, big-endian
using PublicKeyBytes = std::array<unsigned char, 64>;  // X || Y, big-endian

// Where the signature of a control file lies.
std::string signatureAddress(const std::string& controlFileAddress);

// The signature file's text: Base64 of exactly 64 bytes (blanks and line ends
// around and inside allowed); nothing for anything else.
std::optional<SignatureBytes> signatureFromText(std::string_view text);

// A P-256 public key in PEM ("-----BEGIN PUBLIC KEY-----", the form openssl
// writes with "ec -pubout"): the point X || Y; nothing for any other key.
std::optional<PublicKeyBytes> publicKeyFromPem(std::string_view pem);

// The key the program was built with (res/, chosen at build time).
std::string_view builtInPublicKeyPem();

}  // namespace talkpost::update
