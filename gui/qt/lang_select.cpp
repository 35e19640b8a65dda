#include "gui/qt/lang_select.h"

#include "core/lang.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace zev::qt {

TfrmLangSelect::TfrmLangSelect(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      FRU(new QPushButton(QStringLiteral("Русский"), this)),
      FEN(new QPushButton(QStringLiteral("English"), this)) {
    setObjectName(QStringLiteral("frmLangSelect"));
    setWindowTitle(QStringLiteral(" ORVEL  update"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    FRU->setObjectName(QStringLiteral("btnRU"));
    FEN->setObjectName(QStringLiteral("btnEN"));
    const QFont big(QStringLiteral("Tahoma"), 12);
    for (QPushButton* button : {FRU, FEN}) {
        button->setFont(big);
        button->setFixedSize(150, 40);
    }

    // The button panel: 20 pixels from every edge, each button 5 from the panel's sides and
    // from the one above it, and 5 below the last.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(25, 25, 25, 25);
    layout->setSpacing(5);
    layout->addWidget(FRU);
    layout->addWidget(FEN);
    setFixedSize(200, 135);

    FEN->setDefault(true);
    FRU->setAutoDefault(false);
    setTabOrder(FEN, FRU);
    FEN->setFocus();
    connect(FRU, &QPushButton::clicked, this, &TfrmLangSelect::btnRUClick);
    connect(FEN, &QPushButton::clicked, this, &TfrmLangSelect::btnENClick);
    FormCreate();
}

void TfrmLangSelect::FormCreate() {
    FLanguage = kLangEnglish;
}

void TfrmLangSelect::btnRUClick() {
    FLanguage = kLangRussian;
    accept();
}

void TfrmLangSelect::btnENClick() {
    FLanguage = kLangEnglish;
    accept();
}

std::uint32_t TfrmLangSelect::SelectLanguage() {
    try {
        TfrmLangSelect dialog;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            dialog.move(screen->availableGeometry().center() - dialog.rect().center());
        dialog.exec();
        return dialog.Language();
    } catch (...) {
        return kLangRussian;
    }
}

} // namespace zev::qt
