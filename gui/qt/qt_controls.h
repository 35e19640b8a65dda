#pragma once
// The window's controls (app/controls.h) on Qt widgets. Each adapter refers to a widget that
// the form owns; the adapters belong to the form too.

#include "app/controls.h"
#include "app/main_window_parts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace zev::qt {

class TQtLabel : public ILabel {
public:
    explicit TQtLabel(QLabel* pLabel) : FLabel(pLabel) {}
    void SetText(const std::string& pText) override;
    void SetColor(TColor pColor) override;

private:
    QLabel* FLabel;
};

class TQtButton : public IButton {
public:
    explicit TQtButton(QPushButton* pButton);
    void SetCaption(const std::string& pCaption) override;
    void SetEnabled(bool pEnabled) override;
    bool Enabled() const override;
    void SetOnClick(std::function<void()> pOnClick) override;
    void SetFocus() override { FButton->setFocus(Qt::OtherFocusReason); }

private:
    QPushButton* FButton;
    std::function<void()> FOnClick;
};

// Range 0 .. 1000; the marquee is Qt's busy indicator (a range of 0 .. 0).
class TQtProgressBar : public IProgressBar {
public:
    explicit TQtProgressBar(QProgressBar* pBar) : FBar(pBar) {}
    void SetPosition(int pPosition) override;
    void SetMarquee(bool pMarquee) override;
    // The bar takes no focus by Tab or click, but may be given it.
    void SetFocus() override { FBar->setFocus(Qt::OtherFocusReason); }

private:
    QProgressBar* FBar;
    int FPosition = 0;
};

class TQtTimer : public ITimer {
public:
    explicit TQtTimer(QObject* pParent);
    void SetInterval(int pMs) override { FTimer->setInterval(pMs); }
    void SetEnabled(bool pEnabled) override;
    bool Enabled() const override { return FTimer->isActive(); }
    void SetOnTimer(std::function<void()> pOnTimer) override { FOnTimer = std::move(pOnTimer); }

private:
    QTimer* FTimer;
    std::function<void()> FOnTimer;
};

// A label showing a picture of the resources.
class TQtImage : public IImage {
public:
    TQtImage(QLabel* pLabel, std::string pPicture);
    void SetVisible(bool pVisible) override { FLabel->setVisible(pVisible); }
    std::string Picture() const override { return FPicture; }

private:
    QLabel* FLabel;
    std::string FPicture;
};

class TQtWindow : public IWindow {
public:
    // The frame colour is pFrame's own background; its content covers all but a thin frame.
    explicit TQtWindow(QWidget* pFrame) : FFrame(pFrame) {}
    void SetTitle(const std::string& pTitle) override;
    void SetFrameColor(TColor pColor) override;
    void Close() override;

private:
    QWidget* FFrame;
};

// The main window's controls on Qt widgets, as the form owns them.
using TQtMainWindowParts =
    TMainWindowParts<TQtWindow, TQtLabel, TQtButton, TQtProgressBar, TQtImage, TQtTimer>;

// Colours a widget's text; system colours other than grey text keep the palette's own, which
// also greys the text of a disabled widget.
void SetTextColor(QWidget* pWidget, TColor pColor);

} // namespace zev::qt
