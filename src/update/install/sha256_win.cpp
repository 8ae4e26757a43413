// SHA-256 over the platform's hash provider, loaded from the system folder.
#include "update/install/sha256_win.h"

#include <bcrypt.h>

#include <vector>

#include "update/install/system_library_win.h"

namespace talkpost::update {
namespace {

struct HashFunctions {
    using OpenFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
    using CloseFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
    using CreateFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
    using DataFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using FinishFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
    using DestroyFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
    OpenFn open = systemEntry<OpenFn>("bcrypt.dll", "BCryptOpenAlgorithmProvider");
    CloseFn close = systemEntry<CloseFn>("bcrypt.dll", "BCryptCloseAlgorithmProvider");
    CreateFn create = systemEntry<CreateFn>("bcrypt.dll", "BCryptCreateHash");
    DataFn data = systemEntry<DataFn>("bcrypt.dll", "BCryptHashData");
    FinishFn finish = systemEntry<FinishFn>("bcrypt.dll", "BCryptFinishHash");
    DestroyFn destroy = systemEntry<DestroyFn>("bcrypt.dll", "BCryptDestroyHash");
    bool complete() const { return open && close && create && data && finish && destroy; }
};

const HashFunctions& bcrypt()
{
    static const HashFunctions functions;
    return functions;
}

constexpr std::size_t kDigestBytes = 32;
// Files are hashed in blocks of this size: large enough for speed, while
// the memory a hash takes stays the same whatever the file's size.
constexpr DWORD kBlockBytes = 1u << 16;

}  // namespace

Sha256::Sha256()
{
    const HashFunctions& f = bcrypt();
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    failed_ = !f.complete() || !BCRYPT_SUCCESS(f.open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    algorithm_ = algorithm;
    if (!failed_)
        failed_ = !BCRYPT_SUCCESS(f.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    hash_ = hash;
}

Sha256::~Sha256()
{
    if (hash_)
        bcrypt().destroy(hash_);
    if (algorithm_)
        bcrypt().close(algorithm_, 0);
}

bool Sha256::add(const void* bytes, std::size_t size)
{
    // Fed in pieces: the byte count of one call is 32 bits.
    constexpr std::size_t kPiece = 1u << 20;
    auto* at = static_cast<PUCHAR>(const_cast<void*>(bytes));
    for (std::size_t done = 0; !failed_ && done < size; done += kPiece) {
        std::size_t piece = size - done < kPiece ? size - done : kPiece;
        failed_ = !BCRYPT_SUCCESS(bcrypt().data(hash_, at + done, static_cast<ULONG>(piece), 0));
    }
    return !failed_;
}

std::optional<std::vector<unsigned char>> Sha256::finish()
{
    std::vector<unsigned char> digest(kDigestBytes);
    if (failed_ || !BCRYPT_SUCCESS(bcrypt().finish(hash_, digest.data(), kDigestBytes, 0)))
        return std::nullopt;
    failed_ = true;  // a hash is finished once
    return digest;
}

std::optional<std::string> Sha256::finishHex()
{
    auto digest = finish();
    if (!digest)
        return std::nullopt;
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : *digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::optional<std::string> sha256HexOf(std::string_view bytes)
{
    Sha256 hash;
    if (!hash.add(bytes.data(), bytes.size()))
        return std::nullopt;
    return hash.finishHex();
}

std::optional<std::string> sha256HexOfHandle(HANDLE file)
{
    Sha256 hash;
    std::vector<char> block(kBlockBytes);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block.data(), kBlockBytes, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        if (!hash.add(block.data(), got))
            return std::nullopt;
    }
    return hash.finishHex();
}

}  // namespace talkpost::update
