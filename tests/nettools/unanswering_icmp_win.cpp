// An ICMP library whose echoes never complete: every IcmpSendEcho2 is taken as
// pending and its completion routine is never run, as a platform that loses
// an answer does. Built as a DLL for the echo tests, loaded in place of
// icmp.dll through the library name the tests may set.
#include <windows.h>

namespace {
// Any handle value that is not INVALID_HANDLE_VALUE.
HANDLE const kIcmp = reinterpret_cast<HANDLE>(0x1c3);
}  // namespace

extern "C" {

__declspec(dllexport) HANDLE WINAPI IcmpCreateFile() { return kIcmp; }

__declspec(dllexport) DWORD WINAPI IcmpSendEcho2(HANDLE, HANDLE, FARPROC, PVOID, ULONG, LPVOID, WORD, LPVOID, LPVOID,
                                                 DWORD, DWORD)
{
    SetLastError(ERROR_IO_PENDING);
    return 0;
}

__declspec(dllexport) DWORD WINAPI IcmpParseReplies(LPVOID, DWORD) { return 0; }

__declspec(dllexport) BOOL WINAPI IcmpCloseHandle(HANDLE) { return TRUE; }
}
