// The Qt window and dialog as laid out, and the Qt main-thread call.

#include "app/window_layout.h"
#include "gui/qt/lang_select.h"
#include "gui/qt/place.h"
#include "qt_window.h"

#include <QApplication>
#include <QGroupBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

namespace zev {

std::ostream& operator<<(std::ostream& pOut, const TRect& r) {
    return pOut << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

using namespace zev::test;

// Where a widget lies in its window's client area.
TRect InWindow(const QWidget* pWidget) {
    const QPoint at = pWidget->mapTo(pWidget->window(), QPoint(0, 0));
    return TRect{at.x(), at.y(), at.x() + pWidget->width(), at.y() + pWidget->height()};
}

TEST(QtWindowTest, FailedStartShowsTheRedLineInTheWindowAsLaidOut) {
    QtWindow w;
    w.Create(ABytes{0, 0}); // a package without data: "0x0303"
    qt::TQtMainForm& form = *w.Form;
    EXPECT_EQ(w.LanguageDialogShown, 1);
    EXPECT_EQ(form.size(), QSize(576, 370));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.windowTitle().toStdString(), " v.0.00 (isp.0, izm.0)");

    EXPECT_EQ(Text(w.Label("lblState")), "Error [0x0303]: Data corrupted.");
    EXPECT_TRUE(w.Label("lblState")->styleSheet().contains("#ff0000"));
    EXPECT_EQ(Text(w.Label("lblStateC")), "Firmware update status:");
    EXPECT_TRUE(w.Label("lblStateC")->font().bold());
    EXPECT_EQ(Text(w.Label("lblCDevices")), "Found Devices:");
    EXPECT_EQ(w.Button("btnProg")->text().toStdString(), "Next");
    EXPECT_FALSE(w.Button("btnProg")->isEnabled());
    EXPECT_EQ(w.Button("btnCancel")->text().toStdString(), "Close");
    EXPECT_EQ(w.Button("btnProg")->size(), QSize(100, 31));
    EXPECT_EQ(w.Button("btnCancel")->size(), QSize(85, 31));

    // Pictures: the English logo shown, the Russian one and the device icon hidden.
    QLabel* en = w.Label("imgLogoEN");
    QLabel* ru = w.Label("imgLogoRU");
    QLabel* dev = w.Label("imgDev");
    EXPECT_EQ(en->pixmap().size(), QSize(159, 57));
    EXPECT_EQ(ru->pixmap().size(), QSize(159, 57));
    EXPECT_EQ(dev->pixmap().size(), QSize(15, 15));
    EXPECT_TRUE(en->isVisible());
    EXPECT_FALSE(ru->isVisible());
    EXPECT_FALSE(dev->isVisible());

    // Layout: the buttons 35 pixels from the right and 8 + 2 from the bottom.
    const QRect cancel(w.Button("btnCancel")->mapTo(&form, QPoint(0, 0)), QSize(85, 31));
    EXPECT_EQ(cancel.right() + 1, 576 - 2 - 8 - 35);
    EXPECT_EQ(cancel.bottom() + 1, 370 - 2 - 8);
    const QRect next(w.Button("btnProg")->mapTo(&form, QPoint(0, 0)), QSize(100, 31));
    EXPECT_EQ(next.right() + 1 + 5, cancel.left());
    auto* bar = w.Find<QProgressBar>("pgbMain");
    EXPECT_EQ(bar->height(), 25);
    EXPECT_EQ(bar->maximum(), 1000);
    EXPECT_EQ(bar->value(), 0);

    Screenshot(form, "start-failed.png");

    // No search starts after a failed start.
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(form.Logic().SearchCount(), 0u);
}

// Packages the devices would take wrongly fail the start-up like a damaged one: the red line with
// their code, "Next" disabled, no search.
TEST(QtWindowTest, PackagesTheDevicesWouldTakeWronglyShowTheirCodeInRed) {
    std::vector<TMiswrittenPackage> packages = MiswrittenPackages();
    packages.push_back({"EEPROM block one byte short", EepromOneByteShortPayload(), "0x0307"});
    for (const auto& p : packages) {
        SCOPED_TRACE(p.what);
        QtWindow w;
        w.Create(p.payload);
        EXPECT_EQ(Text(w.Label("lblState")),
                  std::string("Error [") + p.code + "]: Data corrupted.");
        EXPECT_TRUE(w.Label("lblState")->styleSheet().contains("#ff0000"));
        EXPECT_FALSE(w.Button("btnProg")->isEnabled());
        EXPECT_EQ(w.Form->windowTitle().toStdString(), "ZEV-DEMO v.1.05 (isp.1, izm.2)");
        WaitFor([] { return false; }, 300);
        EXPECT_EQ(w.Form->Logic().SearchCount(), 0u);
    }
}

// Every named widget of the window and of the language dialog lies where the window layout puts
// it, as the Win32 window's controls do.
TEST(QtWindowTest, WidgetsLieWhereTheWindowLayoutPutsThem) {
    QtWindow w;
    w.Create(ABytes{});
    const auto* group = w.Form->findChild<const QGroupBox*>(QStringLiteral("GroupBox1"));
    ASSERT_NE(group, nullptr);
    const TMainLayout l = MainLayout(qt::GroupInset(group));
    qt::TfrmLangSelect dialog;
    dialog.show();
    const TLangLayout d = LangLayout();
    struct TCase {
        const QWidget* parent;
        const char* name;
        TRect expected;
    };
    const TCase cases[] = {
        {w.Form.get(), "pnlMain", l.pnlMain},
        {w.Form.get(), "GroupBox1", l.GroupBox1},
        {w.Form.get(), "Panel1", l.Panel1},
        {w.Form.get(), "Panel5", l.Panel5},
        {w.Form.get(), "imgLogoEN", l.imgLogo},
        {w.Form.get(), "imgLogoRU", l.imgLogo},
        {w.Form.get(), "Panel4", l.Panel4},
        {w.Form.get(), "lblStateC", l.lblStateC},
        {w.Form.get(), "lblState", l.lblState},
        {w.Form.get(), "Shape1", l.Shape1},
        {w.Form.get(), "Shape2", l.Shape2},
        {w.Form.get(), "Panel2", l.Panel2},
        {w.Form.get(), "Panel3", l.Panel3},
        {w.Form.get(), "lblCDevices", l.lblCDevices},
        {w.Form.get(), "pnlData", l.pnlData},
        {w.Form.get(), "pgbMain", l.pgbMain},
        {w.Form.get(), "pnlBtns", l.pnlBtns},
        {w.Form.get(), "btnProg", l.btnProg},
        {w.Form.get(), "btnCancel", l.btnCancel},
        {&dialog, "pnlButtons", d.pnlButtons},
        {&dialog, "btnRU", d.btnRU},
        {&dialog, "btnEN", d.btnEN},
    };
    EXPECT_EQ((TRect{0, 0, w.Form->width(), w.Form->height()}), l.client);
    EXPECT_EQ((TRect{0, 0, dialog.width(), dialog.height()}), d.client);
    for (const TCase& c : cases) {
        const auto* widget = c.parent->findChild<const QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(InWindow(widget), c.expected) << c.name;
    }
}

TEST(QtWindowTest, FrameColourFollowsActivation) {
    QtWindow w;
    w.Create(ABytes{});
    qt::TQtMainForm& form = *w.Form;
    QWidget* content = w.Find<QWidget>("pnlMain");
    form.Logic().FormDeactivate();
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(215, 228, 242));
    form.Logic().FormActivate();
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(185, 209, 234));
    EXPECT_NE(content->palette().color(QPalette::Window), QColor(185, 209, 234))
        << "the content keeps its own background";
}

// Runs the dialog; pAct acts on it once it is shown.
std::uint32_t RunDialog(const std::function<void(qt::TfrmLangSelect&)>& pAct) {
    QTimer::singleShot(0, [pAct] {
        auto* dialog = qobject_cast<qt::TfrmLangSelect*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        pAct(*dialog);
    });
    return qt::TfrmLangSelect::SelectLanguage();
}

TEST(QtWindowTest, LanguageDialog) {
    std::string title;
    QSize size, ru, en;
    bool enDefault = false;
    bool enFocused = false;
    EXPECT_EQ(RunDialog([&](qt::TfrmLangSelect& d) {
                  title = d.windowTitle().toStdString();
                  size = d.size();
                  ru = d.btnRU()->size();
                  en = d.btnEN()->size();
                  enDefault = d.btnEN()->isDefault();
                  enFocused = d.focusWidget() == d.btnEN();
                  Screenshot(d, "lang-dialog.png");
                  QTest::keyClick(&d, Qt::Key_Return);
              }),
              kLangEnglish);
    EXPECT_EQ(title, " ORVEL  update");
    EXPECT_EQ(size, QSize(200, 135));
    EXPECT_EQ(ru, QSize(150, 40));
    EXPECT_EQ(en, QSize(150, 40));
    EXPECT_TRUE(enDefault);
    EXPECT_TRUE(enFocused);
    EXPECT_EQ(
        RunDialog([](qt::TfrmLangSelect& d) { QTest::mouseClick(d.btnRU(), Qt::LeftButton); }),
        kLangRussian);
    EXPECT_EQ(
        RunDialog([](qt::TfrmLangSelect& d) { QTest::mouseClick(d.btnEN(), Qt::LeftButton); }),
        kLangEnglish);
    // Closed without a button: English.
    EXPECT_EQ(RunDialog([](qt::TfrmLangSelect& d) { QTest::keyClick(&d, Qt::Key_Escape); }),
              kLangEnglish);
}

TEST(QtMainThreadTest, WorkerCallRunsOnTheGuiThreadAndGivesUpWhenTerminating) {
    SetApplicationTerminating(false);
    qt::TQtMainThread main;
    MainThreadScope scope(&main);

    std::atomic<bool> done{false};
    bool ran = false;
    bool onGuiThread = false;
    std::thread worker([&] {
        ran = RunOnMainThread([&] { onGuiThread = QThread::currentThread() == qApp->thread(); });
        done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onGuiThread);

    // The GUI thread is busy and never services the call; termination releases the worker.
    std::atomic<bool> returned{false};
    bool result = true;
    bool called = false;
    std::thread waiting([&] {
        result = main.RunAndWait([&] { called = true; });
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(returned.load()) << "the call waits while the GUI thread is busy";
    const auto start = std::chrono::steady_clock::now();
    SetApplicationTerminating(true);
    while (!returned && std::chrono::steady_clock::now() - start < std::chrono::seconds(2))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(returned.load());
    waiting.join();
    EXPECT_FALSE(result);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called) << "a withdrawn call never runs";
    // From now on calls return at once.
    std::thread late([&] { result = main.RunAndWait([&] { called = true; }); });
    late.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(called);
    SetApplicationTerminating(false);
}

} // namespace
} // namespace zev
