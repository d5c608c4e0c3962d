#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "support/TempDir.h"

namespace mox::testing {

using Bytes = std::vector<unsigned char>;

// While it lives, the process may not write files beyond `bytes` bytes: a
// write past that fails with EFBIG, the way a full disk fails a write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return active_; }

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

// A program folder with an empty "voc" folder, settings pointing at
// voc/words.dct and voc/words.lst, and a message port that records.
class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() : settings(messages)
    {
        settings.setAppPath(dir.str());
        settings.setSCurDict("words.dct");
        settings.setSCurList("words.lst");
        std::filesystem::create_directories(voc());
    }

    std::filesystem::path voc() const { return dir.path() / "voc"; }
    // The files the names stand for, whether or not the settings would open them.
    std::filesystem::path dictFile() const { return voc() / settings.sCurDict(); }
    std::filesystem::path listFile() const { return voc() / settings.sCurList(); }

    static DictRecord word(std::string_view text, std::string_view translation = "t", std::uint8_t active = 1,
                           std::uint8_t inList = 0)
    {
        DictRecord r = newDictRecord();
        EXPECT_TRUE(setFieldText(r.word, text));
        EXPECT_TRUE(setFieldText(r.translation, translation));
        r.active = active;
        r.inList = inList;
        return r;
    }
    static ListRecord entry(std::string_view text)
    {
        ListRecord r = newListRecord(newDictRecord());
        EXPECT_TRUE(setFieldText(r.word, text));
        return r;
    }

    template <class Record>
    static void writeRecords(const std::filesystem::path& file, const std::vector<Record>& records)
    {
        Bytes bytes(records.size() * sizeof(Record));
        if (!bytes.empty())
            std::memcpy(bytes.data(), records.data(), bytes.size());
        TempDir::writeBytes(file, bytes);
    }
    template <class Record>
    static std::vector<Record> readRecords(const std::filesystem::path& file)
    {
        const Bytes bytes = TempDir::readBytes(file);
        std::vector<Record> records(bytes.size() / sizeof(Record));
        if (!records.empty())
            std::memcpy(static_cast<void*>(records.data()), bytes.data(), records.size() * sizeof(Record));
        return records;
    }

    // The names of the files in the vocabulary folder, sorted.
    std::vector<std::string> vocEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(voc()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings;
};

} // namespace mox::testing
