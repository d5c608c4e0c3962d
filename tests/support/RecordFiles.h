#pragma once
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/TempDir.h"

// The fixed-size records of a dictionary or list file, read or written whole
// (a trailing fragment is not read).
template <class Record>
std::vector<Record> readRecords(const std::filesystem::path& file)
{
    const auto bytes = TempDir::readBytes(file);
    std::vector<Record> records(bytes.size() / sizeof(Record));
    if (!records.empty())
        std::memcpy(records.data(), bytes.data(), records.size() * sizeof(Record));
    return records;
}

template <class Record>
void writeRecords(const std::filesystem::path& file, const std::vector<Record>& records)
{
    std::vector<unsigned char> bytes(records.size() * sizeof(Record));
    if (!records.empty())
        std::memcpy(bytes.data(), records.data(), bytes.size());
    TempDir::writeBytes(file, bytes);
}
