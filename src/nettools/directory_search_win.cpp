// The directory search through wldap32: ldap_init (or ldap_sslinit), version
// 3, no referrals, ldap_connect with a time-out, StartTLS when asked, a
// Negotiate sign-in, the root entry for the naming context, then pages of the
// paged-results control until the server's cookie is empty. The worker thread
// around it and the time limit on calls that have no time-out of their own.
#include "nettools/directory_search_win.h"

#include "nettools/directory_certificate_win.h"
#include "win/text_win.h"

#include <rpc.h>
#include <wincrypt.h>
#include <winldap.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace talkpost::directory {
namespace {

// Past a call's own time-out the watchdog waits this much longer before it
// gives the call up, so that the platform's own report comes first.
constexpr unsigned kWatchdogGraceMs = 2000;
// A page may come back empty with a cookie; so many pages in a row without a
// computer end the search rather than loop on a server that never finishes.
constexpr unsigned kMaxEmptyPages = 100;
// How long the check that tells an unreachable server from a failed TLS set-up waits.
constexpr unsigned kReachableProbeMs = 3000;

std::string platformText(ULONG code)
{
    const wchar_t* text = ldap_err2stringW(code);
    return text != nullptr ? narrow(text) : std::string();
}

// Wipes a secret before its memory goes back.
void wipe(std::wstring& text) { SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t)); }

struct LdapSession {
    LDAP* ld = nullptr;
    ~LdapSession()
    {
        if (ld != nullptr)
            ldap_unbind(ld);
    }
};

struct Message {
    LDAPMessage* message = nullptr;
    ~Message()
    {
        if (message != nullptr)
            ldap_msgfree(message);
    }
};

struct Cookie {
    berval* value = nullptr;
    ~Cookie() { reset(nullptr); }
    void reset(berval* next)
    {
        if (value != nullptr)
            ber_bvfree(value);
        value = next;
    }
    bool empty() const { return value == nullptr || value->bv_len == 0; }
};

// The first value of an attribute; empty when it has none, or one longer
// than a host name may be (it is no host name then, and is not converted).
std::string firstValue(LDAP* ld, LDAPMessage* entry, const wchar_t* attribute, bool& tooLong)
{
    wchar_t** values = ldap_get_valuesW(ld, entry, const_cast<PWCHAR>(attribute));
    if (values == nullptr)
        return {};
    std::string result;
    if (values[0] != nullptr) {
        std::size_t length = wcsnlen(values[0], kMaxNameLength + 1);
        if (length > kMaxNameLength)
            tooLong = true;
        else
            result = narrow(std::wstring_view(values[0], length));
    }
    ldap_value_freeW(values);
    return result;
}

// The certificate of a TLS connection, checked in the callback the platform
// calls during the connect, on the thread that connects.
struct CertificateCheck {
    std::wstring host;
    CertificateVerdict verdict;
};
thread_local CertificateCheck* currentCheck = nullptr;

BOOLEAN LDAPAPI verifyServerCertificate(PLDAP, PCCERT_CONTEXT certificate)
{
    CertificateVerdict verdict =
        checkServerCertificate(certificate, currentCheck != nullptr ? currentCheck->host : std::wstring());
    if (certificate != nullptr)
        CertFreeCertificateContext(certificate);  // the callback owns it
    if (currentCheck != nullptr)
        currentCheck->verdict = verdict;
    return verdict.kind == CertificateVerdict::Kind::Trusted ? TRUE : FALSE;
}

class Search {
public:
    Search(const SearchRequest& request, SearchObserver& observer) : request_(request), observer_(observer) {}

    SearchOutcome run()
    {
        auto address = parseServerField(request_.fields.server, request_.fields.connection);
        if (!address)
            return failed(badServerText(request_.fields.server));
        address_ = *address;
        server_ = address_.host.empty() ? std::string() : request_.fields.server;
        if (!connect() || !signIn())
            return outcome_;
        std::wstring base = widen(request_.fields.base);
        if (base.empty() && !readNamingContext(base))
            return outcome_;
        if (!page(base))
            return outcome_;
        outcome_.ok = true;
        return outcome_;
    }

private:
    SearchOutcome failed(const std::string& message)
    {
        outcome_.ok = false;
        outcome_.names.clear();
        outcome_.error = message;
        return outcome_;
    }
    bool fail(Step step, ULONG code)
    {
        if (check_.verdict.kind == CertificateVerdict::Kind::Untrusted)
            failed(certificateText(server_, check_.verdict.reason));
        else
            failed(failureText(step, code, platformText(code), server_));
        return false;
    }
    l_timeval callTimeout() const { return {static_cast<LONG>(request_.callSeconds), 0}; }

    // An option the platform may not offer (Wine answers 0x5c for signing,
    // sealing and the certificate callback): not fatal, the platform's own
    // behaviour then stands.
    bool setOption(int option, const void* value, Step step)
    {
        ULONG rc = ldap_set_optionW(connection_.ld, option, value);
        return rc == LDAP_SUCCESS || rc == LDAP_NOT_SUPPORTED || fail(step, rc);
    }

    bool connect()
    {
        std::wstring host = widen(address_.host);
        PWCHAR hostName = host.empty() ? nullptr : host.data();
        bool ldaps = request_.fields.connection == Connection::Ldaps;
        bool tls = request_.fields.connection != Connection::Sealed;
        observer_.callStarting();
        connection_.ld = ldaps ? ldap_sslinitW(hostName, address_.port, 1) : ldap_initW(hostName, address_.port);
        if (connection_.ld == nullptr)
            return fail(Step::Connect, LdapGetLastError());
        ULONG version = LDAP_VERSION3;
        ULONG timeLimit = request_.callSeconds;
        if (!setOption(LDAP_OPT_PROTOCOL_VERSION, &version, Step::Connect) ||
            !setOption(LDAP_OPT_REFERRALS, LDAP_OPT_OFF, Step::Connect) ||
            !setOption(LDAP_OPT_TIMELIMIT, &timeLimit, Step::Connect))
            return false;
        if (tls) {
            check_.host = host;
            VERIFYSERVERCERT* callback = &verifyServerCertificate;
            ULONG rc = ldap_set_optionW(connection_.ld, LDAP_OPT_SERVER_CERTIFICATE, reinterpret_cast<const void*>(callback));
            if (rc == LDAP_NOT_SUPPORTED) {
                // No callback here: the certificate is fetched and checked by
                // a handshake of our own just before.
                observer_.callStarting();
                check_.verdict = probeServerCertificate(address_.host, address_.port, !ldaps,
                                                        request_.callSeconds * 1000);
                if (check_.verdict.kind == CertificateVerdict::Kind::Untrusted)
                    return fail(Step::Tls, LDAP_LOCAL_ERROR);
            } else if (rc != LDAP_SUCCESS) {
                return fail(Step::Tls, rc);
            }
        } else {
            // Signed and sealed by the Negotiate sign-in, as a domain controller expects.
            if (!setOption(LDAP_OPT_SIGN, LDAP_OPT_ON, Step::Connect) ||
                !setOption(LDAP_OPT_ENCRYPT, LDAP_OPT_ON, Step::Connect))
                return false;
        }
        currentCheck = &check_;
        l_timeval timeout = callTimeout();
        observer_.callStarting();
        ULONG rc = ldap_connect(connection_.ld, &timeout);
        if (rc != LDAP_SUCCESS) {
            currentCheck = nullptr;
            bool tlsFailed = ldaps && rc != LDAP_TIMEOUT && !address_.host.empty() &&
                             tcpReachable(address_.host, address_.port, kReachableProbeMs);
            return fail(tlsFailed ? Step::Tls : Step::Connect, rc);
        }
        if (request_.fields.connection == Connection::StartTls) {
            ULONG serverCode = 0;
            Message result;
            observer_.callStarting();
            rc = ldap_start_tls_sW(connection_.ld, &serverCode, &result.message, nullptr, nullptr);
            if (rc != LDAP_SUCCESS) {
                currentCheck = nullptr;
                return fail(Step::Tls, serverCode != 0 ? serverCode : rc);
            }
        }
        currentCheck = nullptr;
        return true;
    }

    bool signIn()
    {
        observer_.callStarting();
        ULONG rc;
        if (request_.fields.signIn == SignIn::NameAndPassword) {
            UserName user = splitUserName(request_.fields.user);
            std::wstring name = widen(user.name), domain = widen(user.domain), password = widen(request_.password);
            SEC_WINNT_AUTH_IDENTITY_W identity{};
            identity.User = reinterpret_cast<unsigned short*>(name.data());
            identity.UserLength = static_cast<unsigned long>(name.size());
            identity.Domain = reinterpret_cast<unsigned short*>(domain.data());
            identity.DomainLength = static_cast<unsigned long>(domain.size());
            identity.Password = reinterpret_cast<unsigned short*>(password.data());
            identity.PasswordLength = static_cast<unsigned long>(password.size());
            identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
            rc = ldap_bind_sW(connection_.ld, nullptr, reinterpret_cast<PWCHAR>(&identity), LDAP_AUTH_NEGOTIATE);
            wipe(password);
        } else {
            rc = ldap_bind_sW(connection_.ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE);
        }
        return rc == LDAP_SUCCESS || fail(Step::SignIn, rc);
    }

    bool readNamingContext(std::wstring& base)
    {
        wchar_t attribute[] = L"defaultNamingContext";
        wchar_t* attributes[] = {attribute, nullptr};
        wchar_t anyObject[] = L"(objectClass=*)";
        wchar_t root[] = L"";
        Message result;
        l_timeval timeout = callTimeout();
        observer_.callStarting();
        ULONG rc = ldap_search_ext_sW(connection_.ld, root, LDAP_SCOPE_BASE, anyObject, attributes, 0, nullptr,
                                      nullptr, &timeout, 1, &result.message);
        if (rc != LDAP_SUCCESS)
            return fail(Step::RootEntry, rc);
        LDAPMessage* entry = ldap_first_entry(connection_.ld, result.message);
        wchar_t** values = entry != nullptr ? ldap_get_valuesW(connection_.ld, entry, attribute) : nullptr;
        if (values != nullptr && values[0] != nullptr)
            base = values[0];
        if (values != nullptr)
            ldap_value_freeW(values);
        if (base.empty()) {
            failed("The directory's root entry names no naming context: type a base.");
            return false;
        }
        return true;
    }

    bool page(std::wstring& base)
    {
        std::wstring filter = widen(request_.fields.filter);
        wchar_t dnsHostName[] = L"dNSHostName";
        wchar_t name[] = L"name";
        wchar_t* attributes[] = {dnsHostName, name, nullptr};
        Cookie cookie;
        unsigned emptyPages = 0;
        for (;;) {
            if (observer_.cancelled()) {
                failed("The search was cancelled.");
                return false;
            }
            PLDAPControlW pageControl = nullptr;
            ULONG rc = ldap_create_page_controlW(connection_.ld, request_.pageSize, cookie.value, TRUE, &pageControl);
            if (rc != LDAP_SUCCESS)
                return fail(Step::Search, rc);
            PLDAPControlW controls[] = {pageControl, nullptr};
            Message result;
            l_timeval timeout = callTimeout();
            observer_.callStarting();
            rc = ldap_search_ext_sW(connection_.ld, base.data(), LDAP_SCOPE_SUBTREE, filter.data(), attributes, 0,
                                    controls, nullptr, &timeout, 0, &result.message);
            ldap_control_freeW(pageControl);
            if (rc != LDAP_SUCCESS)
                return fail(Step::Search, rc);

            std::size_t before = outcome_.names.size();
            for (LDAPMessage* entry = ldap_first_entry(connection_.ld, result.message); entry != nullptr;
                 entry = ldap_next_entry(connection_.ld, entry)) {
                bool tooLong = false;
                std::string dns = firstValue(connection_.ld, entry, dnsHostName, tooLong);
                std::string plain = firstValue(connection_.ld, entry, name, tooLong);
                auto listed = tooLong && dns.empty() ? std::nullopt : computerNameOf(dns, plain);
                if (!listed) {
                    ++outcome_.skipped;
                    continue;
                }
                if (outcome_.names.size() >= kMaxComputers) {
                    failed("The directory lists more than " + std::to_string(kMaxComputers) +
                           " computers; narrow the base or the filter.");
                    return false;
                }
                outcome_.names.push_back(std::move(*listed));
            }

            ULONG serverCode = 0;
            PLDAPControlW* returned = nullptr;
            rc = ldap_parse_resultW(connection_.ld, result.message, &serverCode, nullptr, nullptr, nullptr,
                                    &returned, FALSE);
            if (rc != LDAP_SUCCESS || serverCode != LDAP_SUCCESS) {
                if (returned != nullptr)
                    ldap_controls_freeW(returned);
                return fail(Step::Search, rc != LDAP_SUCCESS ? rc : serverCode);
            }
            berval* next = nullptr;
            ULONG total = 0;
            rc = ldap_parse_page_controlW(connection_.ld, returned, &total, &next);
            if (returned != nullptr)
                ldap_controls_freeW(returned);
            if (rc != LDAP_SUCCESS)
                return fail(Step::Search, rc);
            cookie.reset(next);
            observer_.pageArrived(outcome_.names.size());
            emptyPages = outcome_.names.size() + outcome_.skipped == before ? emptyPages + 1 : 0;
            if (cookie.empty())
                return true;
            if (emptyPages >= kMaxEmptyPages) {
                failed("The directory sent page after page without a computer; the search was given up.");
                return false;
            }
        }
    }

    const SearchRequest& request_;
    SearchObserver& observer_;
    ServerAddress address_;
    std::string server_;
    LdapSession connection_;
    CertificateCheck check_;
    SearchOutcome outcome_;
};

unsigned long long nowMs() { return GetTickCount64(); }

}  // namespace

SearchOutcome searchDirectory(const SearchRequest& request, SearchObserver& observer)
{
    return Search(request, observer).run();
}

// What the window's thread and the worker share; the worker holds it too, so
// the window may drop the search while the worker is still in a call.
struct DirectorySearch::Shared : SearchObserver {
    SearchRequest request;
    HWND notify = nullptr;
    UINT mail = 0;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<std::size_t> computers{0};
    std::atomic<unsigned long long> callStarted{0};
    SearchOutcome outcome;  // the worker's until done
    bool timedOut = false;  // the window's thread's

    void callStarting() override { callStarted.store(nowMs()); }
    void pageArrived(std::size_t count) override
    {
        computers.store(count);
        PostMessageW(notify, mail, 0, 0);
    }
    bool cancelled() const override { return stop.load(); }
};

DirectorySearch::DirectorySearch(SearchRequest request, HWND notify, UINT mail) : shared_(std::make_shared<Shared>())
{
    shared_->request = std::move(request);
    shared_->notify = notify;
    shared_->mail = mail;
    shared_->callStarted.store(nowMs());
    std::thread([shared = shared_] {
        SearchOutcome outcome;
        try {
            outcome = searchDirectory(shared->request, *shared);
        } catch (const std::exception& error) {
            outcome.error = std::string("The search failed: ") + error.what();
        } catch (...) {
            outcome.error = "The search failed.";
        }
        SecureZeroMemory(shared->request.password.data(), shared->request.password.size());
        shared->outcome = std::move(outcome);
        shared->done.store(true, std::memory_order_release);
        PostMessageW(shared->notify, shared->mail, 0, 0);
    }).detach();
}

DirectorySearch::~DirectorySearch() { cancel(); }

std::size_t DirectorySearch::count() const { return shared_->computers.load(); }

bool DirectorySearch::finished()
{
    if (shared_->timedOut || shared_->done.load(std::memory_order_acquire))
        return true;
    unsigned long long limit = shared_->request.callSeconds * 1000ull + kWatchdogGraceMs;
    if (nowMs() - shared_->callStarted.load() > limit) {
        shared_->timedOut = true;
        shared_->stop.store(true);
        return true;
    }
    return false;
}

SearchOutcome DirectorySearch::takeOutcome()
{
    if (shared_->timedOut) {
        SearchOutcome outcome;
        auto address = parseServerField(shared_->request.fields.server, shared_->request.fields.connection);
        outcome.error = timeLimitText(address && !address->host.empty() ? shared_->request.fields.server : "",
                                      shared_->request.callSeconds);
        return outcome;
    }
    return std::move(shared_->outcome);
}

void DirectorySearch::cancel() { shared_->stop.store(true); }

}  // namespace talkpost::directory
