#pragma once
// The Qt window as a test drives it: created with a package file and a scripted language
// dialog, its widgets found by their names, and the event loop run until a state is reached.

#include "gui/qt/main_form.h"
#include "gui/qt/qt_main_thread.h"
#include "support/app_window.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zev::test {

// Runs the Qt event loop until pDone holds or pTimeoutMs has passed.
inline bool WaitFor(const std::function<bool()>& pDone, int pTimeoutMs) {
    return QTest::qWaitFor(pDone, pTimeoutMs);
}

// Saves a picture of the widget to the folder named by ZEV_SCREENSHOT_DIR, when it is set.
inline void Screenshot(QWidget& pWidget, const char* pName) {
    const QString folder = qEnvironmentVariable("ZEV_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QTest::qWait(50); // pending layout passes
    QDir().mkpath(folder);
    pWidget.grab().save(folder + QStringLiteral("/") + QString::fromLatin1(pName));
}

// The same, of the screen where the widget's window lies, so that pop-ups over it (a tool tip)
// are in the picture too; cut to the window.
inline void ScreenshotOfScreen(QWidget& pWidget, const char* pName) {
    const QString folder = qEnvironmentVariable("ZEV_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QTest::qWait(50);
    QDir().mkpath(folder);
    const QRect frame = pWidget.frameGeometry();
    QScreen* screen = pWidget.screen();
    screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(folder + QStringLiteral("/") + QString::fromLatin1(pName));
}

// The text of a label as the caption shows it, UTF-8.
inline std::string Text(const QLabel* pLabel) {
    return pLabel->text().toStdString();
}

class QtWindow {
public:
    QtWindow() : FScope(&FMainThread), FPorts(std::vector<std::string>{}) {
        CurrentLanguage = kLangRussian;
        SetApplicationTerminating(false);
        FBaseThreads = BaseThreadCount();
    }
    ~QtWindow() {
        if (Form && Form->Logic().WorkersRunning()) {
            SetApplicationTerminating(true);
            WaitFor([this] { return ThreadCount() <= FBaseThreads; }, 15000);
        }
        Form.reset();
        SetApplicationTerminating(false);
        CurrentLanguage = kLangRussian;
    }

    // The window with the package appended to an executable file; the language dialog, when
    // it is shown, answers pLanguage.
    void Create(const ABytes& pPayload, std::uint32_t pLanguage = kLangEnglish) {
        const std::string path = WriteExecutable(pPayload);
        Form = std::make_unique<qt::TQtMainForm>(
            [path](ABytes& bytes) { ReadPackageOfFile(path, bytes); },
            [this, pLanguage] {
                ++LanguageDialogShown;
                return pLanguage;
            });
        Form->Start();
        Form->show();
    }

    template <typename T> T* Find(const char* pName) const {
        T* widget = Form->findChild<T*>(QString::fromLatin1(pName));
        EXPECT_NE(widget, nullptr) << pName;
        return widget;
    }
    QLabel* Label(const char* pName) const { return Find<QLabel>(pName); }
    QPushButton* Button(const char* pName) const { return Find<QPushButton>(pName); }

    QList<qt::TQtDeviceRow*> Rows() const { return Form->DeviceList()->Rows(); }
    // The row of the device found on pPort.
    qt::TQtDeviceRow* RowOfPort(const std::string& pPort) const {
        const auto& devices = Form->Logic().Devices();
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].Port == pPort)
                return static_cast<qt::TQtDeviceRow*>(Form->Logic().Rows().at(i).P);
        return nullptr;
    }

    bool WaitForRows(int pTimeoutMs = 15000) {
        return WaitFor([this] { return !Form->Logic().Rows().empty(); }, pTimeoutMs);
    }
    int BaseThreads() const { return FBaseThreads; }
    bool WaitForThreads(int pTimeoutMs) {
        return WaitFor([this] { return ThreadCount() <= FBaseThreads; }, pTimeoutMs);
    }

    std::unique_ptr<qt::TQtMainForm> Form;
    int LanguageDialogShown = 0;

private:
    qt::TQtMainThread FMainThread;
    MainThreadScope FScope;
    PortsEnv FPorts;
    int FBaseThreads = 0;
};

} // namespace zev::test
