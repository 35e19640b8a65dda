#pragma once
// Puts a widget where the window layout (app/window_layout.h) places its control.

#include "app/window_layout.h"

#include <QWidget>

namespace zev::qt {

// pRect is a place in the window's client area; pParent is where the widget's parent lies in it.
inline void Place(QWidget* pWidget, const TRect& pRect, const TRect& pParent) {
    pWidget->setGeometry(pRect.left - pParent.left, pRect.top - pParent.top, pRect.Width(),
                         pRect.Height());
}

} // namespace zev::qt
