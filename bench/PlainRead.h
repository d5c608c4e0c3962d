#pragma once
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

// The yardstick of the store's benchmarks: open the file and read it whole in
// 1 MiB chunks, as fast as a program can take in its bytes.
inline void plainRead(benchmark::State& state, const std::string& path)
{
    std::vector<char> buffer(1 << 20);
    std::size_t total = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        total = 0;
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += static_cast<std::size_t>(got);
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}
