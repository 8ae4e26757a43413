// A plain driver for the fuzz target where the compiler brings no fuzzing
// engine: random replies, mostly built from reply-like pieces, for the given
// number of runs (argument 1, default 200000) with a fixed seed (argument 2).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    long runs = argc > 1 ? std::atol(argv[1]) : 200000;
    unsigned seed = argc > 2 ? static_cast<unsigned>(std::atol(argv[2])) : 1;
    std::mt19937 random(seed);
    const std::vector<std::string> pieces = {
        "HTTP/1.1 200 OK\r\n", "HTTP/1.1 100 Continue\r\n", "HTTP/1.1 301 Moved\r\n", "HTTP/1.1 204 x\r\n",
        "Content-Length: ", "Transfer-Encoding: chunked\r\n", "Location: x\r\n", "\r\n", "\n", "\r", "0", "5",
        "ffffffffffffffff", "-1", "99999999999999999999", "9223372036854775807", "9223372036854775808",
        "18446744073709551615", "18446744073709551616", "922337203685477580", "1048577", "abc", " ", ";", ":", "http://", "https://", "[::1]:",
        "TALKPOST/Banner.txt", std::string(1, '\0'), std::string(300, 'x'),
    };
    std::string input;
    for (long run = 0; run < runs; ++run) {
        input.clear();
        int count = static_cast<int>(random() % 24);
        for (int i = 0; i < count; ++i) {
            if (random() % 4 == 0)
                input.push_back(static_cast<char>(random() & 0xff));
            else
                input += pieces[random() % pieces.size()];
        }
        if (random() % 500 == 0)
            input += std::string(17000, 'y');
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    std::printf("%ld random replies read without a fault\n", runs);
    return 0;
}
