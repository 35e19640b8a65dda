#include "gui/qt/qt_controls.h"

#include "gui/qt/system_colors.h"

#include <QPixmap>

namespace zev::qt {

void SetTextColor(QWidget* pWidget, TColor pColor) {
    if (pColor == clWindowText) {
        pWidget->setStyleSheet(QString());
        return;
    }
    const QColor color = ToQColor(pColor, pWidget->palette());
    pWidget->setStyleSheet(QStringLiteral("color: %1;").arg(color.name()));
}

void TQtLabel::SetText(const std::string& pText) {
    FLabel->setText(QString::fromStdString(pText));
}

void TQtLabel::SetColor(TColor pColor) {
    SetTextColor(FLabel, pColor);
}

TQtButton::TQtButton(QPushButton* pButton) : FButton(pButton) {
    QObject::connect(FButton, &QPushButton::clicked, [this] {
        if (FOnClick) FOnClick();
    });
}

void TQtButton::SetCaption(const std::string& pCaption) {
    FButton->setText(QString::fromStdString(pCaption));
}

void TQtButton::SetEnabled(bool pEnabled) {
    FButton->setEnabled(pEnabled);
}

bool TQtButton::Enabled() const {
    return FButton->isEnabled();
}

void TQtButton::SetOnClick(std::function<void()> pOnClick) {
    FOnClick = std::move(pOnClick);
}

void TQtProgressBar::SetPosition(int pPosition) {
    FPosition = pPosition;
    FBar->setValue(pPosition);
}

void TQtProgressBar::SetMarquee(bool pMarquee) {
    if (pMarquee) {
        FBar->setRange(0, 0);
    } else {
        FBar->setRange(0, 1000);
        FBar->setValue(FPosition);
    }
}

TQtTimer::TQtTimer(QObject* pParent) : FTimer(new QTimer(pParent)) {
    FTimer->setSingleShot(false);
    QObject::connect(FTimer, &QTimer::timeout, [this] {
        if (FOnTimer) FOnTimer();
    });
}

void TQtTimer::SetEnabled(bool pEnabled) {
    if (!pEnabled)
        FTimer->stop();
    else if (!FTimer->isActive())
        FTimer->start();
}

TQtImage::TQtImage(QLabel* pLabel, std::string pPicture)
    : FLabel(pLabel), FPicture(std::move(pPicture)) {
    const QPixmap pixmap(PicturePath(FPicture));
    FLabel->setPixmap(pixmap);
    FLabel->setFixedSize(pixmap.size());
}

void TQtWindow::SetTitle(const std::string& pTitle) {
    FFrame->setWindowTitle(QString::fromStdString(pTitle));
}

void TQtWindow::SetFrameColor(TColor pColor) {
    QPalette palette = FFrame->palette();
    palette.setColor(QPalette::Window, ToQColor(pColor, palette));
    FFrame->setPalette(palette);
    FFrame->setAutoFillBackground(true);
}

void TQtWindow::Close() {
    FFrame->close();
}

} // namespace zev::qt
