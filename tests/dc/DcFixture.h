#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Jobs.h"
#include "ModuleSettings.h"
#include "store/DictRecord.h"
#include "store/RecordText.h"
#include "support/TempDir.h"

// A program folder in a temporary folder: voc/ for the dictionaries, and the
// module settings pointing at it with English studied and Russian translated.
class DcFixture : public ::testing::Test {
protected:
    DcFixture()
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.found = true;
        settings.dictFolder = (dir.path() / "voc").string() + "/";
    }

    std::string path(const std::string& name) const { return (dir.path() / name).string(); }
    std::string dict(const std::string& name) const { return settings.dictFolder + name; }

    static void write(const std::string& file, const std::string& text)
    {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string read(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::vector<mox::DictRecord> records(const std::string& file)
    {
        const std::string bytes = read(file);
        EXPECT_EQ(bytes.size() % mox::kDictRecordSize, 0u) << file;
        std::vector<mox::DictRecord> out(bytes.size() / mox::kDictRecordSize);
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * mox::kDictRecordSize);
        return out;
    }
    // The files of the dictionary folder (a temporary file left behind shows).
    std::vector<std::string> folderFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "voc"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Exports `dictionary` to `file` in the languages given (dc_files_test.cpp).
    mox::dc::Outcome exportAs(const std::string& dictionary, const std::string& file, std::uint32_t foreign,
                              std::uint32_t native, bool replace);

    TempDir dir;
    mox::dc::ModuleSettings settings;
};
