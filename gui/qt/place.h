#pragma once
// Puts a widget where the window layout (app/window_layout.h) places its control.

#include "app/window_layout.h"

#include <QGroupBox>
#include <QWidget>

namespace zev::qt {

// pRect is a place in the window's client area; pParent is where the widget's parent lies in it.
inline void Place(QWidget* pWidget, const TRect& pRect, const TRect& pParent) {
    pWidget->setGeometry(pRect.left - pParent.left, pRect.top - pParent.top, pRect.Width(),
                         pRect.Height());
}

// What the frame keeps inside its edge in the style it is drawn in: where its contents start.
inline TMargins GroupInset(const QGroupBox* pGroup) {
    const QMargins m = pGroup->contentsMargins();
    return TMargins{m.left(), m.top(), m.right(), m.bottom()};
}

} // namespace zev::qt
