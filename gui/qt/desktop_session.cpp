#include "gui/qt/desktop_session.h"

#include "gui/qt/system_colors.h"

#include <QApplication>
#include <QIcon>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace zev::qt {

namespace {

std::string Environment(const char* pName) {
    const char* value = std::getenv(pName);
    return value ? value : "";
}

// Qt's messages while the application object is made, and the handler they went to before.
QtMessageHandler gPreviousHandler = nullptr;
std::vector<std::string> gHeldMessages;

void HoldMessage(QtMsgType pType, const QMessageLogContext&, const QString& pText) {
    gHeldMessages.push_back(pText.toStdString());
    if (pType != QtFatalMsg) return;
    std::string what = "Qt's platform plugin could not be loaded (on Debian it is the package "
                       "qt6-qpa-plugins)";
    for (const std::string& line : gHeldMessages)
        if (line.find("could not connect to display") != std::string::npos)
            what = "the display \"" + Environment("DISPLAY") + "\" (DISPLAY) cannot be opened";
    std::string text = NoDisplayMessage(what);
    for (const std::string& line : gHeldMessages) text += "Qt: " + line + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(nullptr);
    std::_Exit(kExitNoDisplay); // instead of Qt's abort
}

} // namespace

std::string MissingDisplay() {
    const std::string platform = Environment("QT_QPA_PLATFORM");
    const bool x11 = platform.rfind("xcb", 0) == 0;
    if (!platform.empty() && !x11) return {}; // offscreen, wayland, ...: Qt checks
    if (!Environment("DISPLAY").empty()) return {};
    if (x11) return "QT_QPA_PLATFORM names X11, and DISPLAY is not set";
    if (!Environment("WAYLAND_DISPLAY").empty()) return {};
    return "no display is named: neither DISPLAY nor WAYLAND_DISPLAY is set";
}

std::string NoDisplayMessage(const std::string& missing) {
    return "ZEV Programmer cannot open its window: " + missing +
           ".\n"
           "It is a desktop program and needs a desktop session (X11 or Wayland): start it "
           "from the desktop (double-click it in the file manager) or from a terminal window "
           "of the desktop.\n";
}

std::vector<char*> ApplicationArguments(int argc, char** argv) {
    static std::string option = "-name";
    static std::string value = kDesktopName;
    std::vector<char*> words;
    if (argc > 0) words.push_back(argv[0]);
    words.push_back(option.data());
    words.push_back(value.data());
    for (int k = 1; k < argc; ++k) words.push_back(argv[k]);
    words.push_back(nullptr);
    return words;
}

void SetDesktopIdentity() {
    QCoreApplication::setApplicationName(QString::fromLatin1(kDesktopName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopName));
}

TStartupGuard::TStartupGuard() {
    gHeldMessages.clear();
    gPreviousHandler = qInstallMessageHandler(HoldMessage);
}

TStartupGuard::~TStartupGuard() {
    End();
}

void TStartupGuard::End() {
    if (!FActive) return;
    FActive = false;
    qInstallMessageHandler(gPreviousHandler);
    for (const std::string& line : gHeldMessages) std::fprintf(stderr, "%s\n", line.c_str());
    gHeldMessages.clear();
}

void SetApplicationIcon() {
    QIcon icon;
    icon.addFile(PicturePath("zev-programmer-256"));
    icon.addFile(PicturePath("zev-programmer-48"));
    QApplication::setWindowIcon(icon);
}

} // namespace zev::qt
