#pragma once
// The window's colours as Qt colours. System colours take the values of the classic Windows
// scheme the window was designed with, except the text colours, which follow the palette.

#include "app/colors.h"

#include <QColor>
#include <QPalette>

namespace zev::qt {

QColor ToQColor(TColor pColor, const QPalette& pPalette);

// The resource path of a named picture (app/controls.h).
QString PicturePath(const std::string& pPicture);

} // namespace zev::qt
