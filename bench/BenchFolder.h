#pragma once
#include <filesystem>
#include <random>
#include <string>

#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"

// A throw-away program folder for a benchmark: voc/ under a fresh temporary
// folder, with words.dct and words.lst as the current dictionary and list
// (not yet written), removed again at the end.
struct BenchFolder {
    BenchFolder() : settings(messages)
    {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() / ("mox-bench-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(root / "voc");
        settings.setAppPath(root.string());
        settings.setSCurDict("words.dct");
        settings.setSCurList("words.lst");
    }
    ~BenchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::filesystem::path root;
    mox::RecordingMessages messages;
    mox::Settings settings;
};
