#include "gui/qt/device_list.h"

#include "app/window_layout.h"
#include "gui/qt/qt_controls.h"
#include "gui/qt/system_colors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScrollBar>

namespace zev::qt {

TQtDeviceRow::TQtDeviceRow(TQtDeviceList& pList, std::function<void()> pOnChecked)
    : FList(pList), FIcon(new QLabel(this)), FCaption(new QLabel(this)), FBox(new QCheckBox(this)) {
    setFixedHeight(kRowHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FIcon->setAlignment(Qt::AlignCenter);
    FIcon->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    FCaption->setWordWrap(true);
    FCaption->setTextFormat(Qt::PlainText);
    // Any width: the text wraps in what is left beside the icon and the box.
    FCaption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FCaption->installEventFilter(this);
    FBox->installEventFilter(this);
    layout->addWidget(FIcon);
    layout->addSpacing(kRowIconGap);
    layout->addWidget(FCaption, 1);
    layout->addWidget(FBox);
    // clicked is the user's click only; ticks set from code do not emit it.
    connect(FBox, &QCheckBox::clicked, this, [onChecked = std::move(pOnChecked)] {
        if (onChecked) onChecked();
    });
}

bool TQtDeviceRow::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A row reached with Tab comes into view.
    if (pWatched == FBox && pEvent->type() == QEvent::FocusIn) ScrollIntoView();
    if (pWatched == FCaption && pEvent->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton && FBox->isEnabled() &&
        isEnabled()) {
        FBox->click();
        return true;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void TQtDeviceRow::SetIcon(const std::string& pPicture) {
    const QPixmap picture(PicturePath(pPicture));
    FIcon->setPixmap(picture);
    // Sized to its picture.
    FIcon->setFixedWidth(picture.width());
}

void TQtDeviceRow::SetCaption(const std::string& pCaption) {
    QString text = QString::fromStdString(pCaption);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FCaption->setText(text);
}

void TQtDeviceRow::SetChecked(bool pChecked) {
    FBox->setChecked(pChecked);
}

bool TQtDeviceRow::Checked() const {
    return FBox->isChecked();
}

void TQtDeviceRow::SetBoxEnabled(bool pEnabled) {
    // The caption is the box's text: it is disabled with it.
    FBox->setEnabled(pEnabled);
    FCaption->setEnabled(pEnabled);
}

void TQtDeviceRow::SetRowEnabled(bool pEnabled) {
    setEnabled(pEnabled);
}

void TQtDeviceRow::SetColor(TColor pColor) {
    SetTextColor(FCaption, pColor);
}

void TQtDeviceRow::MoveToTop() {
    FList.Move(this, true);
}

void TQtDeviceRow::MoveToBottom() {
    FList.Move(this, false);
}

void TQtDeviceRow::SetHint(const std::string& pHint) {
    QString text = QString::fromStdString(pHint);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setToolTip(text);
}

void TQtDeviceRow::ScrollIntoView() {
    FList.ensureWidgetVisible(this, 0, 0);
}

TQtDeviceList::TQtDeviceList(QWidget* pParent)
    : QScrollArea(pParent), FContent(new QWidget), FLayout(new QVBoxLayout(FContent)),
      FNotice(new QLabel(FContent)) {
    setFrameShape(QFrame::NoFrame);
    // The rows take the focus, the area itself none: no invisible stop in the tab order.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    FLayout->setContentsMargins(0, 0, kListRightPadding, 0);
    FLayout->setSpacing(0);
    FNotice->setObjectName(QStringLiteral("lblNotice"));
    FNotice->setWordWrap(true);
    FNotice->setTextFormat(Qt::PlainText);
    FNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FNotice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FNotice->hide();
    FLayout->addWidget(FNotice);
    FLayout->addStretch(1);
    setWidget(FContent);
}

void TQtDeviceList::SetNotice(const std::string& pNotice) {
    QString text = QString::fromStdString(pNotice);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text != FNotice->text()) FNotice->setText(text);
    ShowNotice();
}

void TQtDeviceList::ShowNotice() {
    FNotice->setVisible(!FNotice->text().isEmpty() && Rows().isEmpty());
}

void TQtDeviceList::SetTabTail(QList<QWidget*> pTail) {
    FTabTail = std::move(pTail);
    ChainTabs();
}

void TQtDeviceList::ChainTabs() {
    QWidget* previous = nullptr;
    for (TQtDeviceRow* row : Rows()) {
        if (previous) QWidget::setTabOrder(previous, row->Box());
        previous = row->Box();
    }
    for (QWidget* next : FTabTail) {
        if (previous) QWidget::setTabOrder(previous, next);
        previous = next;
    }
}

IDeviceRow* TQtDeviceList::AddRow(std::function<void()> pOnChecked) {
    auto* row = new TQtDeviceRow(*this, std::move(pOnChecked));
    // Above the notice and the stretch.
    FLayout->insertWidget(FLayout->count() - 2, row);
    // Shown now, not on the next turn of the event loop.
    row->show();
    ShowNotice();
    ChainTabs();
    return row;
}

QList<TQtDeviceRow*> TQtDeviceList::Rows() const {
    QList<TQtDeviceRow*> rows;
    for (int k = 0; k < FLayout->count(); ++k)
        if (auto* row = qobject_cast<TQtDeviceRow*>(FLayout->itemAt(k)->widget())) rows.append(row);
    return rows;
}

void TQtDeviceList::Move(TQtDeviceRow* pRow, bool pTop) {
    FLayout->removeWidget(pRow);
    FLayout->insertWidget(pTop ? 0 : FLayout->count() - 2, pRow);
    ChainTabs();
}

} // namespace zev::qt
