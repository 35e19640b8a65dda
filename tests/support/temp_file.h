#pragma once
// Scratch files for tests: a private folder per test process, removed when the process ends.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace zev::test {

class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        FPath = std::filesystem::path(::testing::TempDir()) /
                ("zev-test-" + std::to_string(stamp) + "-" + std::to_string(random()));
        std::filesystem::create_directories(FPath);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    const std::filesystem::path& path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

inline const std::filesystem::path& ScratchDir() {
    static const ScratchFolder folder;
    return folder.path();
}

// A new path in the scratch folder (the file is not created).
inline std::filesystem::path ScratchPath(const std::string& stem) {
    static std::atomic<int> counter{0};
    return ScratchDir() / (stem + "-" + std::to_string(counter++));
}

inline std::filesystem::path WriteScratchFile(const std::string& stem, const std::string& bytes) {
    const auto path = ScratchPath(stem);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace zev::test
