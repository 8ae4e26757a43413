// ECDSA P-256 verification and SHA-256 through the platform's cryptography API.
#include "update/engine/signature_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "win/handles_win.h"

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
struct HashTraits {
    static BCRYPT_HASH_HANDLE invalid() { return nullptr; }
    static void close(BCRYPT_HASH_HANDLE h) { BCryptDestroyHash(h); }
};

bool ok(NTSTATUS status) { return status >= 0; }

// Hashes what feed hands it piece by piece (a false from feed is a failure).
std::optional<std::vector<unsigned char>> sha256Of(
    const std::function<bool(const std::function<bool(const unsigned char*, std::size_t)>&)>& feed)
{
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!ok(BCryptOpenAlgorithmProvider(&raw, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return std::nullopt;
    UniqueResource<BCRYPT_ALG_HANDLE, AlgorithmTraits> algorithm(raw);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!ok(BCryptCreateHash(algorithm.get(), &rawHash, nullptr, 0, nullptr, 0, 0)))
        return std::nullopt;
    UniqueResource<BCRYPT_HASH_HANDLE, HashTraits> hash(rawHash);
    auto add = [&hash](const unsigned char* data, std::size_t size) {
        return ok(BCryptHashData(hash.get(), const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0));
    };
    if (!feed(add))
        return std::nullopt;
    std::vector<unsigned char> digest(32);
    if (!ok(BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0)))
        return std::nullopt;
    return digest;
}

std::optional<std::vector<unsigned char>> sha256(std::string_view bytes)
{
    return sha256Of([bytes](const auto& add) {
        // Fed in pieces: the byte count of one call is 32 bits.
        constexpr std::size_t kPiece = 1u << 20;
        for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
            auto piece = bytes.substr(at, kPiece);
            if (!add(reinterpret_cast<const unsigned char*>(piece.data()), piece.size()))
                return false;
        }
        return true;
    });
}

template <typename Bytes>
std::string hexText(const Bytes& digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
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
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return std::nullopt;
    auto digest = sha256Of([&file](const auto& add) {
        std::vector<unsigned char> block(1u << 16);
        for (;;) {
            DWORD got = 0;
            if (!ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr))
                return false;
            if (got == 0)
                return true;
            if (!add(block.data(), got))
                return false;
        }
    });
    if (!digest)
        return std::nullopt;
    return hexText(*digest);
}

std::string sha256Hex(std::string_view bytes)
{
    auto digest = sha256(bytes);
    return digest ? hexText(*digest) : std::string();
}

}  // namespace talkpost::update
