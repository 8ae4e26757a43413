// Reading signature and public-key texts.
#include "update/engine/signature.h"

#include <algorithm>

#include "update/engine/base64.h"
#include "update/engine/update_public_key.h"

namespace talkpost::update {
namespace {

// DER of SubjectPublicKeyInfo for id-ecPublicKey on prime256v1, up to the
// uncompressed point's 0x04.
constexpr unsigned char kP256KeyPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02,
                                            0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03,
                                            0x42, 0x00, 0x04};

}  // namespace

std::string signatureAddress(const std::string& controlFileAddress) { return controlFileAddress + ".sig"; }

std::optional<SignatureBytes> signatureFromText(std::string_view text)
{
    auto bytes = base64Decode(text);
    if (!bytes || bytes->size() != SignatureBytes().size())
        return std::nullopt;
    SignatureBytes result;
    std::copy(bytes->begin(), bytes->end(), result.begin());
    return result;
}

std::optional<PublicKeyBytes> publicKeyFromPem(std::string_view pem)
{
    constexpr std::string_view kBegin = "-----BEGIN PUBLIC KEY-----";
    constexpr std::string_view kEnd = "-----END PUBLIC KEY-----";
    auto begin = pem.find(kBegin);
    auto end = pem.find(kEnd);
    if (begin == std::string_view::npos || end == std::string_view::npos || end < begin)
        return std::nullopt;
    auto der = base64Decode(pem.substr(begin + kBegin.size(), end - begin - kBegin.size()));
    constexpr std::size_t kPrefix = sizeof kP256KeyPrefix;
    if (!der || der->size() != kPrefix + 64 || !std::equal(kP256KeyPrefix, kP256KeyPrefix + kPrefix,
                                                           reinterpret_cast<const unsigned char*>(der->data())))
        return std::nullopt;
    PublicKeyBytes key;
    std::copy(der->begin() + kPrefix, der->end(), key.begin());
    return key;
}

std::string_view builtInPublicKeyPem() { return kUpdatePublicKeyPem; }

}  // namespace talkpost::update
