// The certificate check of the TLS connections: the chain check with the SSL
// policy, and the handshake of our own (Schannel through SSPI on a socket of
// our own, the StartTLS request first when asked) that fetches the
// certificate where the directory interface does not hand it over.
#include "nettools/directory_certificate_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>

#include <memory>
#include <vector>

#include "nettools/directory_rules.h"
#include "win/text_win.h"

namespace talkpost::directory {
namespace {

// The most a handshake or the StartTLS answer may send before the
// certificate is in: far above any real chain.
constexpr std::size_t kMaxHandshakeBytes = 256 * 1024;

std::string systemText(DWORD code)
{
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length != 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr)
        LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
        result.pop_back();
    char code16[16];
    wsprintfA(code16, "0x%08lx", code);
    return result.empty() ? std::string("error ") + code16 : result + " (" + code16 + ")";
}

// A connected TCP socket with its send and receive time-outs set.
class Socket {
public:
    Socket(const std::string& host, std::uint16_t port, unsigned timeoutMs)
    {
        if (WSAStartup(MAKEWORD(2, 2), &data_) != 0)
            return;
        started_ = true;
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
            return;
        for (addrinfo* a = found; a != nullptr && socket_ == INVALID_SOCKET; a = a->ai_next) {
            SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
            if (s == INVALID_SOCKET)
                continue;
            u_long nonBlocking = 1;
            ioctlsocket(s, FIONBIO, &nonBlocking);
            bool connected = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
            if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
                fd_set writable;
                FD_ZERO(&writable);
                FD_SET(s, &writable);
                timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
                connected = select(0, nullptr, &writable, nullptr, &wait) > 0;
                int error = 0, size = sizeof error;
                connected = connected && getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
                            error == 0;
            }
            if (!connected) {
                closesocket(s);
                continue;
            }
            nonBlocking = 0;
            ioctlsocket(s, FIONBIO, &nonBlocking);
            DWORD limit = timeoutMs;
            setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
            setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
            socket_ = s;
        }
        freeaddrinfo(found);
    }
    ~Socket()
    {
        if (socket_ != INVALID_SOCKET)
            closesocket(socket_);
        if (started_)
            WSACleanup();
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool connected() const { return socket_ != INVALID_SOCKET; }
    bool sendAll(const void* bytes, std::size_t size)
    {
        const char* at = static_cast<const char*>(bytes);
        while (size > 0) {
            int sent = ::send(socket_, at, static_cast<int>(size), 0);
            if (sent <= 0)
                return false;
            at += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return true;
    }
    // Appends what arrives; false at the end of the stream, a time-out or the cap.
    bool receiveMore(std::string& into)
    {
        char buffer[16384];
        int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0 || into.size() + static_cast<std::size_t>(got) > kMaxHandshakeBytes)
            return false;
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

private:
    WSADATA data_{};
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
};

struct Credentials {
    CredHandle handle{};
    bool held = false;
    ~Credentials()
    {
        if (held)
            FreeCredentialsHandle(&handle);
    }
};
struct Context {
    CtxtHandle handle{};
    bool held = false;
    ~Context()
    {
        if (held)
            DeleteSecurityContext(&handle);
    }
};

CertificateVerdict unknown(const std::string& why) { return {CertificateVerdict::Kind::Unknown, why}; }

}  // namespace

CertificateVerdict checkServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host)
{
    if (certificate == nullptr)
        return {CertificateVerdict::Kind::Untrusted, "the server sent no certificate"};
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                                 &chain))
        return {CertificateVerdict::Kind::Untrusted, systemText(GetLastError())};
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    std::wstring name = host;
    ssl.pwszServerName = name.empty() ? nullptr : name.data();
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    BOOL checked = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status);
    CertFreeCertificateChain(chain);
    if (!checked)
        return {CertificateVerdict::Kind::Untrusted, systemText(GetLastError())};
    if (status.dwError != 0)
        return {CertificateVerdict::Kind::Untrusted, systemText(status.dwError)};
    return {CertificateVerdict::Kind::Trusted, {}};
}

bool tcpReachable(const std::string& host, std::uint16_t port, unsigned timeoutMs)
{
    return Socket(host, port, timeoutMs).connected();
}

CertificateVerdict probeServerCertificate(const std::string& host, std::uint16_t port, bool startTls,
                                          unsigned timeoutMs)
{
    Socket socket(host, port, timeoutMs);
    if (!socket.connected())
        return unknown("no connection");
    std::string received;
    if (startTls) {
        std::string request = startTlsRequest(1);
        if (!socket.sendAll(request.data(), request.size()))
            return unknown("the StartTLS request could not be sent");
        std::size_t needed = 0;
        std::optional<unsigned> code;
        while (!(code = startTlsResultCode(received, needed))) {
            if ((needed != 0 && received.size() >= needed) || !socket.receiveMore(received))
                return unknown("no answer to the StartTLS request");
        }
        if (*code != 0)
            return unknown("StartTLS refused");
        received.erase(0, needed);
    }

    Credentials credentials;
    SCHANNEL_CRED schannel{};
    schannel.dwVersion = SCHANNEL_CRED_VERSION;
    schannel.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    wchar_t package[] = UNISP_NAME_W;
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &schannel, nullptr, nullptr,
                                  &credentials.handle, nullptr) != SEC_E_OK)
        return unknown("no TLS credentials");
    credentials.held = true;

    std::wstring target = widen(host);
    const ULONG flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                        ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
    Context context;
    SECURITY_STATUS status = SEC_I_CONTINUE_NEEDED;
    bool first = true;
    while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
        if (!first && (received.empty() || status == SEC_E_INCOMPLETE_MESSAGE) && !socket.receiveMore(received))
            return unknown("the TLS handshake ended early");
        SecBuffer in[2]{};
        in[0].BufferType = SECBUFFER_TOKEN;
        in[0].pvBuffer = received.data();
        in[0].cbBuffer = static_cast<unsigned long>(received.size());
        in[1].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
        ULONG attributes = 0;
        status = InitializeSecurityContextW(&credentials.handle, first ? nullptr : &context.handle, target.data(), flags,
                                            0, 0, first ? nullptr : &inDesc, 0, first ? &context.handle : nullptr,
                                            &outDesc, &attributes, nullptr);
        if (first && (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK))
            context.held = true;
        first = false;
        if (out.pvBuffer != nullptr) {
            bool sent = out.cbBuffer == 0 || socket.sendAll(out.pvBuffer, out.cbBuffer);
            FreeContextBuffer(out.pvBuffer);
            if (!sent)
                return unknown("the TLS handshake could not be sent");
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            continue;
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer <= received.size())
            received.erase(0, received.size() - in[1].cbBuffer);
        else
            received.clear();
    }
    if (status != SEC_E_OK)
        return unknown("the TLS handshake failed: " + systemText(static_cast<DWORD>(status)));
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesW(&context.handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        certificate == nullptr)
        return {CertificateVerdict::Kind::Untrusted, "the server sent no certificate"};
    CertificateVerdict verdict = checkServerCertificate(certificate, target);
    CertFreeCertificateContext(certificate);
    return verdict;
}

}  // namespace talkpost::directory
