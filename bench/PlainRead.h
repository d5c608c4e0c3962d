#pragma once
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// The yardstick of the benchmarks: open the file and read it whole in 1 MiB
// chunks, `bytes` (the file's size) counted per iteration.
inline void plainRead(benchmark::State& state, const std::string& path, std::int64_t bytes)
{
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        std::size_t total = 0;
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += static_cast<std::size_t>(got);
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}
