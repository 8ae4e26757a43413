// The rule for links that may be opened: web addresses only, as they stand.
#include <gtest/gtest.h>

#include "base/web_address.h"

namespace talkpost {
namespace {

TEST(WebAddress, OnlyHttpAndHttpsAddressesWithAHostAreOpened)
{
    struct Case {
        const char* text;
        bool opened;
    } cases[] = {
        {"http://talkpost.example/", true},
        {"https://talkpost.example/offer?id=7#top", true},
        {"HTTP://talkpost.example", true},
        {"HtTpS://127.0.0.1:8080/x", true},
        {"http://[::1]/", true},
        {"", false},
        {" http://talkpost.example/", false},
        {"\thttps://talkpost.example/", false},
        {"http://talkpost.example/a b", false},
        {"http://talkpost.example/\"--flag", false},
        {"http://talkpost.example/\r\nx", false},
        {"http:talkpost.example", false},
        {"http:/talkpost.example", false},
        {"http:\\\\talkpost.example", false},
        {"http://", false},
        {"http:///etc", false},
        {"https://\\host", false},
        {"httpx://talkpost.example", false},
        {"ftp://talkpost.example/", false},
        {"file:///C:/windows/system32/mstsc.exe", false},
        {"file://host/share/x.exe", false},
        {"\\\\host\\share\\x.exe", false},
        {"//host/share", false},
        {"C:\\windows\\system32\\mstsc.exe", false},
        {"mstsc.exe", false},
        {"search-ms:query=x&crumb=location:\\\\host\\share", false},
        {"ms-msdt:/id PCWDiagnostic", false},
        {"javascript:alert(1)", false},
        {"mailto:someone@talkpost.example", false},
        {"shell:startup", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isWebAddress(c.text), c.opened) << '"' << c.text << '"';
}

}  // namespace
}  // namespace talkpost
