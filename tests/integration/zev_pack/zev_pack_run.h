#pragma once
// zev-pack run as a program: its exit status and output, and the files it is given.

#include "datafiles/abytes.h"
#include "support/temp_file.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace zev {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;

    std::string LastLine() const {
        std::string text = out;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        const auto at = text.rfind('\n');
        return at == std::string::npos ? text : text.substr(at + 1);
    }
};

inline std::string Quote(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A program run with the arguments given, its output kept.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    const fs::path out = test::ScratchPath("stdout");
    const fs::path err = test::ScratchPath("stderr");
    std::string command = Quote(program);
    for (const auto& arg : args) command += " " + Quote(arg);
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = test::ReadWholeFile(out);
    result.err = test::ReadWholeFile(err);
    return result;
}

inline RunResult Pack(const std::vector<std::string>& args) {
    return RunProgram(ZEV_PACK_PATH, args);
}

inline std::string Bytes(const ABytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline ABytes FileBytes(const fs::path& path) {
    const std::string text = test::ReadWholeFile(path);
    return ABytes(text.begin(), text.end());
}

// A stand-in updater: any bytes will do, with the executable bit set.
inline fs::path MakeUpdater() {
    ABytes program(3000);
    for (std::size_t k = 0; k < program.size(); ++k)
        program[k] = static_cast<std::uint8_t>(k * 31 + 7);
    const fs::path path = test::WriteScratchFile("updater", Bytes(program));
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    return path;
}

} // namespace zev
