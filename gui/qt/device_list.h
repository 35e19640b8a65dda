#pragma once
// The device list on Qt widgets: a borderless scroll area of rows, each an icon, a word-wrapped
// caption and a check box at its right edge. Clicking the caption ticks the box, as clicking a
// check box's own text would.

#include "app/controls.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>

namespace zev::qt {

class TQtDeviceList;

class TQtDeviceRow : public QWidget, public IDeviceRow {
    Q_OBJECT
public:
    TQtDeviceRow(TQtDeviceList& pList, std::function<void()> pOnChecked);

    void SetIcon(const std::string& pPicture) override;
    void SetCaption(const std::string& pCaption) override;
    void SetChecked(bool pChecked) override;
    bool Checked() const override;
    void SetBoxEnabled(bool pEnabled) override;
    void SetRowEnabled(bool pEnabled) override;
    void SetColor(TColor pColor) override;
    void MoveToTop() override;
    void MoveToBottom() override;
    // The row's tool tip; Qt shows it on a disabled row too.
    void SetHint(const std::string& pHint) override;
    void ScrollIntoView() override;
    void SetFocus() override { FBox->setFocus(Qt::OtherFocusReason); }

    QLabel* CaptionLabel() const { return FCaption; }
    QCheckBox* Box() const { return FBox; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    TQtDeviceList& FList;
    QLabel* FIcon;
    QLabel* FCaption;
    QCheckBox* FBox;
};

class TQtDeviceList : public QScrollArea, public IDeviceList {
    Q_OBJECT
public:
    explicit TQtDeviceList(QWidget* pParent);

    IDeviceRow* AddRow(std::function<void()> pOnChecked) override;
    // A word-wrapped label in the list's place; hidden while empty or while there are rows.
    void SetNotice(const std::string& pNotice) override;

    // Rows from the top down.
    QList<TQtDeviceRow*> Rows() const;
    void Move(TQtDeviceRow* pRow, bool pTop);
    // The widgets that follow the rows in tab order ("Next", "Close").
    void SetTabTail(QList<QWidget*> pTail);
    QLabel* Notice() const { return FNotice; }

private:
    // Tab order: the rows' boxes from the top down, then the tail.
    void ChainTabs();
    void ShowNotice();

    QWidget* FContent;
    QVBoxLayout* FLayout;
    QLabel* FNotice;
    QList<QWidget*> FTabTail;
};

} // namespace zev::qt
