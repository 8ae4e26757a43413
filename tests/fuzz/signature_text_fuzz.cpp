// Fuzz target: any bytes as the signature file's text, which is read before
// the signature is checked, and as bytes to encode.
#include <algorithm>
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/engine/base64.h"
#include "update/engine/signature.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::update;
    const std::string text = talkpost::fuzz::textOf(data, size);

    const auto decoded = base64Decode(text);
    const auto signature = signatureFromText(text);
    // A signature is exactly a text of 64 decoded bytes, and those bytes.
    FUZZ_CHECK(signature.has_value() == (decoded && decoded->size() == SignatureBytes{}.size()));
    if (signature)
        FUZZ_CHECK(std::equal(signature->begin(), signature->end(), decoded->begin(), decoded->end(),
                              [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }));
    if (decoded)
        FUZZ_CHECK(base64Decode(base64Encode(*decoded)) == decoded);

    // Any bytes survive the way there and back.
    const std::string encoded = base64Encode(text);
    FUZZ_CHECK(encoded.size() == (size + 2) / 3 * 4);
    FUZZ_CHECK(base64Decode(encoded) == text);
    return 0;
}
