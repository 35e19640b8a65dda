#include "gui/qt/lang_select.h"

#include "app/window_layout.h"
#include "core/lang.h"
#include "gui/qt/place.h"

#include <QGuiApplication>
#include <QScreen>

namespace zev::qt {

TfrmLangSelect::TfrmLangSelect(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      FButtons(new QWidget(this)), FRU(new QPushButton(QStringLiteral("Русский"), FButtons)),
      FEN(new QPushButton(QStringLiteral("English"), FButtons)) {
    setObjectName(QStringLiteral("frmLangSelect"));
    setWindowTitle(QStringLiteral(" ORVEL  update"));
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    FButtons->setObjectName(QStringLiteral("pnlButtons"));
    FRU->setObjectName(QStringLiteral("btnRU"));
    FEN->setObjectName(QStringLiteral("btnEN"));
    const QFont big(QStringLiteral("Tahoma"), 12);
    for (QPushButton* button : {FRU, FEN}) button->setFont(big);

    const TLangLayout l = LangLayout();
    setFixedSize(l.client.Width(), l.client.Height());
    Place(FButtons, l.pnlButtons, l.client);
    Place(FRU, l.btnRU, l.pnlButtons);
    Place(FEN, l.btnEN, l.pnlButtons);

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
