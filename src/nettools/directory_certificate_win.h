// The server certificate check of the TLS connections. On Windows the
// directory interface hands the certificate of the very connection to a
// callback, which checks it here. Where the platform offers no such callback
// (Wine's directory interface answers 0x5c and checks nothing itself), the
// certificate is fetched by a TLS handshake of our own to the same server and
// port just before, and checked the same way.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>

namespace talkpost::directory {

struct CertificateVerdict {
    enum class Kind { Trusted, Untrusted, Unknown } kind = Kind::Unknown;
    std::string reason;  // why it is not trusted, or why it could not be fetched
};

// The chain must lead to a trusted root and the certificate must name the host.
CertificateVerdict checkServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host);

// Fetches the certificate with a TLS handshake (after the StartTLS request
// when asked) and checks it. Unknown when no handshake could be made.
CertificateVerdict probeServerCertificate(const std::string& host, std::uint16_t port, bool startTls,
                                          unsigned timeoutMs);

// Whether a TCP connection to the server can be made within the time-out: it
// tells a server that cannot be reached from one whose TLS set-up failed.
bool tcpReachable(const std::string& host, std::uint16_t port, unsigned timeoutMs);

}  // namespace talkpost::directory
