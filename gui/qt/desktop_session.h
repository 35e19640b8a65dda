#pragma once
// What the Linux window needs from the desktop before it can open: a display, Qt's platform
// plugin, and a name that the desktop knows it by. Without a display the program says so in
// plain words and ends with a status of its own, instead of Qt's abort.

#include <string>
#include <vector>

namespace zev::qt {

// The window class and desktop file name: the same for every updater, whatever its file is
// called.
inline constexpr const char* kDesktopName = "zev-programmer";

// Exit status when no window can be opened.
inline constexpr int kExitNoDisplay = 1;

// What is missing when the environment names no display for the platform Qt will use (X11
// unless QT_QPA_PLATFORM names another); empty when there is one or another platform is named.
std::string MissingDisplay();

// The message printed when no window can be opened: what is missing, and that the program
// needs a desktop session.
std::string NoDisplayMessage(const std::string& missing);

// The command line given to QApplication: the program's own with the instance name set, so
// that the X11 window class (WM_CLASS) is kDesktopName in both its parts.
std::vector<char*> ApplicationArguments(int argc, char** argv);

// Sets the application's name and desktop file name; call before QApplication is made.
void SetDesktopIdentity();

// While the application object is made, Qt's messages are held back; a fatal one (no display
// could be opened, no platform plugin) ends the program with NoDisplayMessage and Qt's own
// lines, and status kExitNoDisplay. End() passes the held messages on and restores Qt's
// handler.
class TStartupGuard {
public:
    TStartupGuard();
    ~TStartupGuard();
    TStartupGuard(const TStartupGuard&) = delete;
    TStartupGuard& operator=(const TStartupGuard&) = delete;
    void End();

private:
    bool FActive = true;
};

// The window icon, for every window of the application; call once QApplication exists.
void SetApplicationIcon();

} // namespace zev::qt
