#pragma once
// The yardstick of the benchmarks: open a file and read it whole in 1 MiB
// chunks, as fast as the system gives its bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

inline std::size_t readWhole(const std::string& path, std::vector<char>& buffer)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t total = 0;
    for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += static_cast<std::size_t>(got);
    if (fd >= 0)
        ::close(fd);
    return total;
}

} // namespace bench
