// The decisions of Computers from Directory that need no directory: the
// dialog's fields and how they are kept in the settings file, which name of a
// computer entry goes into the list, the texts of the count, the log line and
// every failure. Portable; the worker and the dialog only move values in and out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings.h"

namespace talkpost::directory {

// The dialog's fields, as the settings keep them. The password is never
// part of them: it is typed for each run and never kept.
using settings::Connection;
using settings::DirectoryFields;
using settings::kDefaultFilter;
using settings::SignIn;

// The Server field: "host", "host:port" or "[v6 address]:port". The port
// defaults to 389, or 636 for LDAPS. Nothing for a text that names no host
// this way (blanks, a port that is no number in 1..65535).
struct ServerAddress {
    std::string host;  // empty: the logged-on user's domain
    std::uint16_t port = 0;
};
std::optional<ServerAddress> parseServerField(const std::string& text, Connection connection);

// A user name as the sign-in needs it: "DOMAIN\name" gives both, "name@domain"
// and "name" leave the domain empty (the server works it out).
struct UserName {
    std::string domain;
    std::string name;
};
UserName splitUserName(const std::string& text);

// Bounds on what a server may send, so a broken or hostile one cannot fill the memory.
inline constexpr std::size_t kMaxComputers = 1'000'000;
inline constexpr std::size_t kMaxNameLength = 253;  // the longest DNS name

// The name a computer entry is listed by: its dNSHostName, or its name when it
// has none. Nothing when the chosen text is no host name (empty, too long, a
// character other than letters, digits, '-', '.', '_'), so that nothing a
// directory holds reaches a command line unchecked.
std::optional<std::string> computerNameOf(const std::string& dnsHostName, const std::string& name);

// "<n> computers": the count while the result arrives.
std::string countText(std::size_t computers);

// "Directory: <n> computers, <a> added, <d> already listed"
std::string logLine(std::size_t computers, std::size_t added, std::size_t alreadyListed);
// The log line for entries removed after the operator confirmed it.
std::string removedLine(std::size_t removed);
// The log line for entries whose name is no host name; nothing when there were none.
std::optional<std::string> skippedLine(std::size_t skipped);

// Where a failure happened; the same result code means different things at
// different steps (a server that goes away while connecting is unreachable,
// the same code during TLS set-up is a refused certificate).
enum class Step { Connect, Tls, SignIn, RootEntry, Search };

// The operator's message for a failure: what happened, in words, then the
// result code in hex and the platform's own text when there is one.
std::string failureText(Step step, unsigned long code, const std::string& platformText, const std::string& server);

// The message when one call to the server exceeded its time limit.
std::string timeLimitText(const std::string& server, unsigned seconds);

// The message for a Server field that names no server.
std::string badServerText(const std::string& text);

// The StartTLS request (extended operation 1.3.6.1.4.1.1466.20037) as the
// bytes of one LDAP message with the given message id (1..127).
std::string startTlsRequest(int messageId);
// The result code of a server's answer to it; nothing when the bytes are no
// complete extended response. needed: how many bytes the whole message takes
// once its length is known (0 until then).
std::optional<unsigned> startTlsResultCode(const std::string& bytes, std::size_t& needed);

// The message for a certificate that is not trusted.
std::string certificateText(const std::string& server, const std::string& reason);

}  // namespace talkpost::directory
