// szdd: compresses a file into the "SZDD" format of the platform's LZ expander.
// Usage: szdd <input> <output> [missing character]; the missing character is
// by default the last character of the input's name.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "szdd/szdd.h"

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: szdd <input> <output> [missing character]\n");
        return 2;
    }
    std::string input = argv[1];
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "szdd: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    char missing = argc == 4 ? argv[3][0] : input.back();
    std::string packed = talkpost::szdd::compress(data, missing);
    std::string partial = std::string(argv[2]) + ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "szdd: cannot write %s\n", partial.c_str());
            std::remove(partial.c_str());
            return 1;
        }
    }
    if (std::rename(partial.c_str(), argv[2]) != 0) {
        std::remove(argv[2]);
        if (std::rename(partial.c_str(), argv[2]) != 0) {
            std::fprintf(stderr, "szdd: cannot write %s\n", argv[2]);
            std::remove(partial.c_str());
            return 1;
        }
    }
    return 0;
}
