#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// The yardstick of the benchmarks: opens the file and reads it whole in
// 1 MiB chunks, as fast as a program can take in its bytes; gives the number
// of bytes read.
inline std::size_t readWholeFile(const std::string& path)
{
    static std::vector<char> buffer(1 << 20);
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t total = 0;
    for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += static_cast<std::size_t>(got);
    if (fd >= 0)
        ::close(fd);
    return total;
}

// The plain read as a benchmark of its own, beside the measured operation.
inline void plainRead(benchmark::State& state, const std::string& path)
{
    std::size_t total = 0;
    for (auto _ : state) {
        total = readWholeFile(path);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}
