// ECDSA P-256 verification through the platform's cryptography API; the SHA-256 it signs is sha256_win's.
#include "update/engine/signature_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "update/install/sha256_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

struct AlgorithmTraits {
    static BCRYPT_ALG_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyTraits {
    static BCRYPT_KEY_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_KEY_HANDLE h) { BCryptDestroyKey(h); }
};

bool ok(NTSTATUS status) { return status >= 0; }

std::optional<std::vector<unsigned char>> sha256(std::string_view bytes)
{
    Sha256 hash;
    if (!hash.add(bytes.data(), bytes.size()))
        return std::nullopt;
    return hash.finish();
}

}  // namespace

bool verifySignature(std::string_view bytes, const SignatureBytes& signature, const PublicKeyBytes& key)
{
    auto digest = sha256(bytes);
    if (!digest)
        return false;
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!ok(BCryptOpenAlgorithmProvider(&raw, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return false;
    UniqueResource<BCRYPT_ALG_HANDLE, AlgorithmTraits> algorithm(raw);
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const unsigned char*>(&header), sizeof header, blob.begin());
    std::copy(key.begin(), key.end(), blob.begin() + sizeof header);
    BCRYPT_KEY_HANDLE rawKey = nullptr;
    if (!ok(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey, blob.data(),
                                static_cast<ULONG>(blob.size()), 0)))
        return false;
    UniqueResource<BCRYPT_KEY_HANDLE, KeyTraits> imported(rawKey);
    SignatureBytes copy = signature;
    return ok(BCryptVerifySignature(imported.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()),
                                    copy.data(), static_cast<ULONG>(copy.size()), 0));
}

std::optional<std::string> fileSha256Hex(const std::string& path)
{
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return std::nullopt;
    return sha256HexOfHandle(file.get());
}

std::string sha256Hex(std::string_view bytes) { return sha256HexOf(bytes).value_or(std::string()); }

}  // namespace talkpost::update
