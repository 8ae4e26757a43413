// Makes a test certificate authority trusted inside the Wine prefix it runs
// in, and nowhere else: the certificate goes into (or out of) the registry
// behind the local machine's "Root" store, which the platform's chain check
// for HTTPS connections trusts. (Deleting through the merged "Root" system
// store reports success under Wine and keeps the certificate; the registry
// store itself deletes it.) The machine's own trust store is never touched.
//   trust_root.exe add|remove <certificate, PEM or DER>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win/handles_win.h"

namespace talkpost {
namespace {

struct StoreTraits {
    static HCERTSTORE invalid() { return nullptr; }
    static void close(HCERTSTORE h) { CertCloseStore(h, 0); }
};
struct CertificateTraits {
    static PCCERT_CONTEXT invalid() { return nullptr; }
    static void close(PCCERT_CONTEXT h) { CertFreeCertificateContext(h); }
};
using UniqueStore = UniqueResource<HCERTSTORE, StoreTraits>;
using UniqueCertificate = UniqueResource<PCCERT_CONTEXT, CertificateTraits>;

// A certificate file is a few kilobytes; anything larger is not one.
constexpr DWORD kMaxCertificateBytes = 64 * 1024;

int fail(const char* what)
{
    std::fprintf(stderr, "trust_root: %s (error %lu)\n", what, GetLastError());
    return 1;
}

bool readCertificate(const char* path, std::vector<BYTE>& der)
{
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    std::vector<BYTE> bytes(kMaxCertificateBytes);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), kMaxCertificateBytes, &got, nullptr) || got == kMaxCertificateBytes)
        return false;
    bytes.resize(got);
    DWORD size = 0;
    // PEM text or DER bytes, whichever the file holds.
    if (!CryptStringToBinaryA(reinterpret_cast<const char*>(bytes.data()), got, CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr)) {
        der = std::move(bytes);
        return true;
    }
    der.resize(size);
    return CryptStringToBinaryA(reinterpret_cast<const char*>(bytes.data()), got, CRYPT_STRING_BASE64HEADER,
                                der.data(), &size, nullptr, nullptr) != FALSE;
}

int run(const std::string& action, const char* path)
{
    std::vector<BYTE> der;
    if (!readCertificate(path, der))
        return fail("cannot read the certificate");
    UniqueCertificate certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate)
        return fail("the file holds no certificate");
    UniqueStore root(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root"));
    if (!root)
        return fail("cannot open the local machine's Root store");
    if (action == "add") {
        if (!CertAddCertificateContextToStore(root.get(), certificate.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
            return fail("cannot add the certificate");
        return 0;
    }
    // Deleting frees the context it is given, found or not.
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(root.get(), X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate.get(), nullptr);
    if (found != nullptr && !CertDeleteCertificateFromStore(found))
        return fail("cannot remove the certificate");
    return 0;
}

}  // namespace
}  // namespace talkpost

int main(int argc, char** argv)
{
    if (argc != 3 || (std::string(argv[1]) != "add" && std::string(argv[1]) != "remove")) {
        std::fprintf(stderr, "usage: trust_root add|remove <certificate>\n");
        return 2;
    }
    return talkpost::run(argv[1], argv[2]);
}
