// The program started where no window can be opened: over ssh, on a text console, with a
// display that is gone or a platform that cannot be loaded. It says what is missing and that it
// needs a desktop session, and ends with status 1, not with Qt's abort.

#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace zev {
namespace {

TEST(NoDisplay, TheProgramSaysWhatIsMissingAndEndsWithoutAnAbort) {
    struct Case {
        const char* environment; // besides: no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM
        const char* missing;
    };
    const Case cases[] = {
        {"", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"QT_QPA_PLATFORM=xcb", "QT_QPA_PLATFORM names X11, and DISPLAY is not set"},
        {"DISPLAY=:59999", "the display \":59999\" (DISPLAY) cannot be opened"},
        {"QT_QPA_PLATFORM=no-such-platform", "Qt's platform plugin could not be loaded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        const std::string err = test::ScratchPath("stderr").string();
        const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY "
                                                "-u QT_QPA_PLATFORM ") +
                                    c.environment + " '" + ZEV_PROGRAMMER_PATH +
                                    "' </dev/null >/dev/null 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
        EXPECT_EQ(WEXITSTATUS(raw), 1);
        const std::string text = test::ReadWholeFile(err);
        EXPECT_EQ(text.rfind("ZEV Programmer cannot open its window: ", 0), 0u) << text;
        EXPECT_NE(text.find(c.missing), std::string::npos) << text;
        EXPECT_NE(text.find("needs a desktop session (X11 or Wayland)"), std::string::npos) << text;
    }
}

} // namespace
} // namespace zev
