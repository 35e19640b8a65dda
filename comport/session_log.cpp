#include "comport/detail/session_log.h"

#include "core/utf8_path.h"
#include "core/error.h"
#include "core/format.h"
#include "platform/system.h"

#include <fstream>
#include <system_error>

namespace zev {

namespace {

std::string LastPart(const std::string& name) {
    const auto sep = name.find_last_of("/\\");
    return sep == std::string::npos ? name : name.substr(sep + 1);
}

bool TryAppend(const std::string& folder, const std::string& name, const std::string& line,
               bool addTime) {
    std::error_code ignored;
    std::filesystem::create_directory(Utf8Path(folder), ignored);
    try {
        AppendTextLine(DailyLogFileName(folder, name), line, addTime);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace

std::string LogFolder() {
    return os::ExecutableFolder() + "/Log";
}

std::string FallbackLogFolder() {
    return os::UserDataFolder() + "/zev-programmer/Log";
}

std::string DailyLogFileName(const std::string& folder, const std::string& name) {
    const auto now = os::LocalTimeNow();
    return folder + "/" + LastPart(name) +
           Format("-%.4d-%.2d-%.2d.log", {now.year, now.month, now.day});
}

void AppendDailyLog(const std::string& name, const std::string& line, bool addTime) {
    if (TryAppend(LogFolder(), name, line, addTime)) return;
    // The program's folder may be read-only (installed system-wide): use the user's own.
    const std::string fallback = FallbackLogFolder();
    std::error_code ignored;
    std::filesystem::create_directories(Utf8Path(fallback), ignored);
    AppendTextLine(DailyLogFileName(fallback, name), line, addTime);
}

void AppendTextLine(const std::string& fileName, const std::string& line, bool addTime) {
    std::string text = line;
    if (addTime) {
        const auto now = os::LocalTimeNow();
        text =
            Format("%.2d:%.2d:%.2d.%.3d: ", {now.hour, now.minute, now.second, now.millisecond}) +
            text;
    }
    std::ofstream out(Utf8Path(fileName), std::ios::binary | std::ios::app);
    if (out) {
        out << os::ToAnsiText(text) << "\r\n";
        out.close();
    }
    if (!out) Raise("Не удалось записать файл \"" + fileName + "\"");
}

} // namespace zev
