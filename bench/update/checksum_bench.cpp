// Prints how fast the update checks read a 100 MB file: the byte sum and the
// update checksum (the production functions, reading in 4 KB blocks), against
// the machine's own CRC tools in the same run: cksum, crc32 and zlib's crc32
// through Debian's Python, where present. Rates in MB/s, and each time divided
// by the time of our two (below 1: faster than ours).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "update/install/checksums.h"

namespace {

constexpr std::size_t kSize = 100u * 1024 * 1024;

double seconds(const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool available(const std::string& program) { return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    fs::path file = fs::temp_directory_path() / ("tp_checksum_bench_" + std::to_string(::getpid()) + ".bin");
    {
        std::mt19937_64 random(1);
        std::vector<std::uint64_t> block(1 << 16);
        std::ofstream out(file, std::ios::binary);
        for (std::size_t written = 0; written < kSize; written += block.size() * 8) {
            for (auto& v : block)
                v = random();
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
        }
    }
    const std::string path = file.string();
    const double megabytes = kSize / (1024.0 * 1024.0);
    // One untimed read so that every contender finds the file in the page cache.
    talkpost::update::byteSum(path);

    struct Result {
        std::string name;
        double time;
    };
    std::vector<Result> results;
    std::int32_t sum = 0, crc = 0;
    results.push_back({"ByteSum (ours)", seconds([&] { sum = talkpost::update::byteSum(path); })});
    results.push_back({"update checksum (ours)", seconds([&] { crc = talkpost::update::fileChecksum(path); })});
    std::vector<std::pair<std::string, std::string>> tools = {
        {"cksum", "cksum '" + path + "' >/dev/null"},
        {"crc32", "crc32 '" + path + "' >/dev/null"},
        {"/usr/bin/python3", "/usr/bin/python3 -c \"import zlib,sys; f=open(sys.argv[1],'rb'); c=0\n"
                             "for b in iter(lambda: f.read(1<<20), b''): c=zlib.crc32(b,c)\" '" + path + "'"},
    };
    for (const auto& [program, command] : tools) {
        if (!available(program)) {
            std::printf("%-28s not on this machine\n", program.c_str());
            continue;
        }
        std::string name = program == "/usr/bin/python3" ? "zlib crc32 (python3)" : program;
        results.push_back({name, seconds([&] { (void)std::system(command.c_str()); })});
    }
    fs::remove(file);

    std::printf("file: %.0f MB (byte sum %d, checksum %d)\n", megabytes, sum, crc);
    for (const auto& r : results)
        std::printf("%-28s %8.3f s %9.1f MB/s   time ratio to ByteSum %.2f, to checksum %.2f\n", r.name.c_str(), r.time,
                    megabytes / r.time, r.time / results[0].time, r.time / results[1].time);
    return 0;
}
