#pragma once
// TfrmLangSelect: the small dialog that asks for the interface language when the update
// package cannot be used. Two buttons, "Русский" and "English"; English is the default button
// and has the focus, and a dialog closed without a button gives English.

#include <QDialog>
#include <QPushButton>

#include <cstdint>

namespace zev::qt {

class TfrmLangSelect : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLangSelect(QWidget* pParent = nullptr);

    std::uint32_t Language() const { return FLanguage; }
    void SetLanguage(std::uint32_t pLanguage) { FLanguage = pLanguage; }

    // Shows the dialog modally and returns the choice: 0 Russian, 1 English. Anything failing
    // on the way gives 0.
    static std::uint32_t SelectLanguage();

    QPushButton* btnRU() const { return FRU; }
    QPushButton* btnEN() const { return FEN; }

private:
    void FormCreate();
    void btnRUClick();
    void btnENClick();

    std::uint32_t FLanguage = 1;
    QWidget* FButtons; // pnlButtons
    QPushButton* FRU;
    QPushButton* FEN;
};

} // namespace zev::qt
