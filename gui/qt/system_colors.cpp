#include "gui/qt/system_colors.h"

#include <QString>
#include <QtGlobal>

// The pictures live in a static library: their registration must be pulled in explicitly.
static void InitPictures() {
    Q_INIT_RESOURCE(zev);
}

namespace zev::qt {

QColor ToQColor(TColor pColor, const QPalette& pPalette) {
    if (!pColor.System) return QColor(pColor.Red(), pColor.Green(), pColor.Blue());
    switch (pColor.Value) {
    case kSysWindowText:
        return pPalette.color(QPalette::Active, QPalette::WindowText);
    case kSysGrayText:
        return pPalette.color(QPalette::Disabled, QPalette::WindowText);
    case kSysBtnHighlight:
        return QColor(255, 255, 255);
    case kSysGradientActiveCaption:
        return QColor(185, 209, 234);
    case kSysGradientInactiveCaption:
        return QColor(215, 228, 242);
    default:
        return pPalette.color(QPalette::Window);
    }
}

QString PicturePath(const std::string& pPicture) {
    static const bool registered = (InitPictures(), true);
    (void)registered;
    return QStringLiteral(":/zev/") + QString::fromStdString(pPicture) + QStringLiteral(".png");
}

} // namespace zev::qt
