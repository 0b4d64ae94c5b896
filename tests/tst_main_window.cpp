// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "core/qt_timer.h"
#include "counting/threaded_file_counter.h"
#include "desktop/qt_alerts.h"
#include "fakes.h"
#include "modal_watch.h"
#include "settings/settings_layout.h"
#include "test_main.h"
#include "ui/check_value_box.h"
#include "ui/folder_label.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/tab_control.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QRect screenRect(100, 50, 1920, 1080);

enum class Counting { RealFolders, Fake };

// The window with fakes for the store, the beep, the screen and the poll timer (the tests
// drive the ticks), and the real alert box. Folders are counted for real, or by a fake.
struct WindowFixture
{
    explicit WindowFixture(const QMap<QString, QString>& stored = {},
                           Counting counting = Counting::RealFolders,
                           const QRect& screenGeometry = screenRect)
        : screen(screenGeometry)
    {
        store.values = stored;
        FileCounter& counter =
            counting == Counting::Fake ? static_cast<FileCounter&>(fakeFiles) : realFiles;
        window = std::make_unique<Form1>(
            WindowServices{store, counter, pollTimer, patience, beeper, alertBox, screen});
        alertBox.setOwner(window.get());
    }

    // Runs a tick and lets the event loop go on until it has ended.
    void tick()
    {
        window->Timer1_Timer();
        QTRY_VERIFY(!window->poll().isTickRunning());
    }

    CallLog log;
    FakeSettingsStore store{log};
    FakeBeeper beeper{log};
    FakeScreen screen;
    ThreadedFileCounter realFiles;
    FakeFileCounter fakeFiles{log};
    FakeTimer pollTimer;
    QtTimer patience{QtTimer::Kind::SingleShot};
    QtMessageBox alertBox{QString::fromLatin1(PRODUCT_TITLE)};
    std::unique_ptr<Form1> window;
};

QString key(const char* prefix, int slot)
{
    return QStringLiteral("values/") + slotKey(prefix, slot);
}

QList<QWidget*> slotControls(Form1& w, int slot)
{
    return {w.Label1[slot], w.Command1[slot], w.Check2[slot], w.Check3[slot]};
}

bool allEnabled(const QList<QWidget*>& controls, bool enabled)
{
    for (const QWidget* control : controls) {
        if (control->isEnabled() != enabled)
            return false;
    }
    return true;
}

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void tabsAreOneToFiveThenAboutInFront();
    void captionsAreExact();
    void noCaptionIsClipped();
    void noTwoControlsOverlapButWhereTheTablesDo();
    void pagesSitWhereTheLayoutExpected();
    void tabVisitsThePageInTheOrderPromised_data();
    void tabVisitsThePageInTheOrderPromised();
    void checkValuesMapToQtStates_data();
    void checkValuesMapToQtStates();
    void loadSequence();
    void rightToLeftMirrorsTheLayout();
    void windowKeepsItsCornerOnTheScreen_data();
    void windowKeepsItsCornerOnTheScreen();
    void untickingActiveKeepsAlertValues();
    void choosingAFolderChangesOnlyTheLabel();
    void cancellingTheChooserClearsAndSwitchesOffThatSlot();
    void longFolderIsShownElidedButKeptWhole();
    void tickWhileChooserIsOpenSeesTheOldFolder();
    void closingSavesEveryValueOnce();
    void realAlertBoxAfterAFileIsAdded();
    void closingWhileAnAlertIsOpenClosesIt();
    void windowAnswersAndClosesWhileACountIsBlocked();
    void sessionCommitSavesAndLeavesTheWindowRunning();
    void assistiveTechnologyHearsWhatEachSlotWatches();
};

void TestMainWindow::tabsAreOneToFiveThenAboutInFront()
{
    WindowFixture f({{key(KEY_ACTIVE, 2), " 1"}});
    QTabWidget* tabs = f.window->SSTab1;
    QCOMPARE(tabs->count(), 6);
    const QStringList expected{"1", "2", "3", "4", "5", "About..."};
    for (int i = 0; i < tabs->count(); ++i)
        QCOMPARE(tabs->tabText(i), expected[i]);
    QCOMPARE(tabs->currentIndex(), 5);
    QCOMPARE(f.window->windowTitle(), QString("Marrowquill 1.0"));
    QVERIFY(!f.window->windowIcon().isNull());
    QVERIFY(!f.window->Image1->pixmap().isNull());
    QCOMPARE(f.window->Image1->pixmap().size(), QSize(32, 32));
}

void TestMainWindow::captionsAreExact()
{
    WindowFixture f;
    Form1& w = *f.window;
    QCOMPARE(w.Check4->text(), QString("Alert Sound"));
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        QCOMPARE(w.Check1[slot]->text(), QString("Active"));
        QCOMPARE(w.Frame1[slot]->title(), QString("Folder to watch:"));
        QCOMPARE(w.Label1[slot]->text(), QString("(None presently selected)"));
        QCOMPARE(w.Command1[slot]->text(), QString("&Set Folder"));
        QCOMPARE(w.Frame2[slot]->title(), QString("Alert when:"));
        QCOMPARE(w.Check2[slot]->text(), QString("Files added to folder"));
        QCOMPARE(w.Check3[slot]->text(), QString("Files removed from folder"));
    }
    QCOMPARE(w.Label2[0]->text(), QString("Marrowquill 1.0 for Linux"));
    QVERIFY(!w.Label2[1]->text().isEmpty());
}

void TestMainWindow::noCaptionIsClipped()
{
    WindowFixture f;
    Form1& w = *f.window;
    QList<QWidget*> controls{w.Check4, w.Label2[0], w.Label2[1]};
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        controls << w.Check1[slot] << w.Command1[slot] << w.Check2[slot] << w.Check3[slot]
                 << w.Label1[slot];
    }
    QStringList clipped;
    for (QWidget* control : controls) {
        if (control->sizeHint().width() > control->width() ||
            control->sizeHint().height() > control->height()) {
            clipped << QStringLiteral("%1 needs %2x%3, has %4x%5")
                           .arg(control->metaObject()->className())
                           .arg(control->sizeHint().width())
                           .arg(control->sizeHint().height())
                           .arg(control->width())
                           .arg(control->height());
        }
    }
    for (QGroupBox* frame : w.findChildren<QGroupBox*>()) {
        if (frame->minimumSizeHint().width() > frame->width())
            clipped << frame->title();
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
}

// Siblings may overlap only where the tables make them: "Files added to folder" on page 1 is
// 2115 twips wide from 210, and so reaches into "Files removed from folder" at 2205; the About
// page's title line (630 + 225) reaches 15 twips into the rights notice at 840.
void TestMainWindow::noTwoControlsOverlapButWhereTheTablesDo()
{
    WindowFixture f;
    Form1& w = *f.window;
    const QSet<QPair<QWidget*, QWidget*>> intended{{w.Check2[0], w.Check3[0]},
                                                   {w.Label2[0], w.Label2[1]}};
    QStringList overlaps;
    QList<QWidget*> parents{&w, w.Frame1[0], w.Frame2[0]};
    for (int page = 0; page < w.SSTab1->count(); ++page)
        parents << w.SSTab1->widget(page);
    for (int slot = 1; slot < SLOT_COUNT; ++slot)
        parents << w.Frame1[slot] << w.Frame2[slot];
    for (QWidget* parent : parents) {
        const QList<QWidget*> children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (int i = 0; i < children.size(); ++i) {
            for (int j = i + 1; j < children.size(); ++j) {
                QWidget* a = children[i];
                QWidget* b = children[j];
                if (a->isWindow() || b->isWindow() || !a->geometry().intersects(b->geometry()) ||
                    intended.contains(qMakePair(a, b)) || intended.contains(qMakePair(b, a)))
                    continue;
                overlaps << QStringLiteral("%1 and %2")
                                .arg(a->metaObject()->className(), b->metaObject()->className());
            }
        }
    }
    QVERIFY2(overlaps.isEmpty(), qPrintable(overlaps.join("; ")));
    QVERIFY(w.Check2[0]->geometry().intersects(w.Check3[0]->geometry()));
    // "Files added to folder" is widest on page 1, narrower on page 2, narrowest after.
    QVERIFY(w.Check2[0]->width() > w.Check2[1]->width());
    QVERIFY(w.Check2[1]->width() > w.Check2[2]->width());
    QCOMPARE(w.Check2[2]->width(), w.Check2[4]->width());
}

// The page offset is worked out before the window is shown; once shown, Qt's own layout of
// the tab control must agree, and every control must lie inside its page.
void TestMainWindow::pagesSitWhereTheLayoutExpected()
{
    WindowFixture f;
    Form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int index = 0; index < w.SSTab1->count(); ++index) {
        QWidget* page = w.SSTab1->widget(index);
        w.SSTab1->setCurrentIndex(index);
        QCOMPARE(page->mapTo(w.SSTab1, QPoint(0, 0)), w.SSTab1->pageOffset());
        for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(page->rect().contains(control->geometry()),
                     qPrintable(QStringLiteral("page %1: %2")
                                    .arg(index)
                                    .arg(control->metaObject()->className())));
        }
    }
    QVERIFY(w.rect().contains(w.Check4->geometry()));
}

// What the window promises: from the tab control, the page's button, "Active", its two alert
// boxes ("added" first on page 1, "removed" first on the others), "Alert Sound", and round.
void TestMainWindow::tabVisitsThePageInTheOrderPromised_data()
{
    QTest::addColumn<int>("slot");
    for (int slot = 0; slot < SLOT_COUNT; ++slot)
        QTest::addRow("page %d", slot + 1) << slot;
}

void TestMainWindow::tabVisitsThePageInTheOrderPromised()
{
    QFETCH(int, slot);
    QMap<QString, QString> stored;
    for (int i = 0; i < SLOT_COUNT; ++i)
        stored[key(KEY_ACTIVE, i)] = " 1"; // every control enabled
    WindowFixture f(stored);
    Form1& w = *f.window;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.SSTab1->setCurrentIndex(slot);
    w.SSTab1->tabBar()->setFocus(Qt::TabFocusReason);

    QList<QWidget*> visited;
    for (int press = 0; press < 6; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    QWidget* firstAlert = slot == 0 ? static_cast<QWidget*>(w.Check2[slot]) : w.Check3[slot];
    QWidget* secondAlert = slot == 0 ? static_cast<QWidget*>(w.Check3[slot]) : w.Check2[slot];
    const QList<QWidget*> promised{w.Command1[slot], w.Check1[slot], firstAlert,
                                   secondAlert,      w.Check4,       w.SSTab1->tabBar()};
    QCOMPARE(visited, promised);
    for (QWidget* label : QList<QWidget*>{w.Label1[0], w.Frame1[0], w.Frame2[0], w.Image1})
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::checkValuesMapToQtStates_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<Qt::CheckState>("shown");
    QTest::newRow("0 unchecked") << 0 << Qt::Unchecked;
    QTest::newRow("1 checked") << 1 << Qt::Checked;
    QTest::newRow("2 grayed") << 2 << Qt::PartiallyChecked;
}

void TestMainWindow::checkValuesMapToQtStates()
{
    QFETCH(int, value);
    QFETCH(Qt::CheckState, shown);

    CheckValueBox box("box");
    box.setValue(CHECK_CHECKED);
    int changes = 0;
    QObject::connect(&box, &CheckValueBox::valueChanged, [&] { ++changes; });

    box.setValue(CheckValue(value));
    QCOMPARE(box.checkState(), shown);
    QCOMPARE(int(box.value()), value);
    QCOMPARE(changes, value == CHECK_CHECKED ? 0 : 1);
    box.setValue(CheckValue(value)); // the same value again raises nothing
    QCOMPARE(changes, value == CHECK_CHECKED ? 0 : 1);

    // A click of the user's turns any value but 1 into 1, and 1 into 0.
    box.click();
    QCOMPARE(box.value(), value == CHECK_CHECKED ? CHECK_UNCHECKED : CHECK_CHECKED);
}

void TestMainWindow::loadSequence()
{
    WindowFixture f({{key(KEY_ACTIVE, 1), " 1"},
                     {key(KEY_FOLDER, 1), "/srv/in"},
                     {key(KEY_ALERT_ADDED, 1), " 1"},
                     {key(KEY_ACTIVE, 3), "1"},
                     {"values/check4", " 1"}});
    Form1& w = *f.window;

    QVERIFY(w.pollState().firstPass);
    QCOMPARE(w.folder(1), QString("/srv/in"));
    QCOMPARE(w.alertAdded(1), CHECK_CHECKED);
    QCOMPARE(w.alertSound(), CHECK_CHECKED);
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        const bool active = slot == 1 || slot == 3;
        QVERIFY2(allEnabled(slotControls(w, slot), active), qPrintable(QString::number(slot)));
        QVERIFY(w.Check1[slot]->isEnabled());
    }

    const QRect frame = w.frameGeometry();
    QCOMPARE(frame.center().x() - screenRect.center().x(), 0);
    QVERIFY(qAbs(frame.center().y() - screenRect.center().y()) <= 1);

    QVERIFY(f.pollTimer.isActive());
    QCOMPARE(f.pollTimer.intervalMs(), 5000);
}

// Qt's -reverse: each control as far from the right of what holds it as it is from the left
// in the usual layout, and as large.
void TestMainWindow::rightToLeftMirrorsTheLayout()
{
    WindowFixture usual;
    QApplication::setLayoutDirection(Qt::RightToLeft);
    WindowFixture mirrored;
    QApplication::setLayoutDirection(Qt::LeftToRight);
    for (Form1* w : {usual.window.get(), mirrored.window.get()}) {
        w->SSTab1->setCurrentIndex(1); // a hidden page is not laid out
        w->show();
    }
    const auto controls = [](Form1& w) {
        return std::vector<QWidget*>{w.SSTab1,    w.Check4,    w.Check1[1],
                                     w.Frame1[1], w.Label1[1], w.Command1[1],
                                     w.Frame2[1], w.Check2[1], w.Check3[1]};
    };
    const std::vector<QWidget*> expected = controls(*usual.window);
    const std::vector<QWidget*> actual = controls(*mirrored.window);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QRect e = expected[i]->geometry();
        const int holderWidth = expected[i]->parentWidget()->width();
        QCOMPARE(actual[i]->parentWidget()->width(), holderWidth);
        QCOMPARE(actual[i]->geometry(),
                 QRect(QPoint(holderWidth - e.right() - 1, e.top()), e.size()));
    }
}

// Centred where it fits; on a screen smaller than the window its title bar stays on the screen.
void TestMainWindow::windowKeepsItsCornerOnTheScreen_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::newRow("larger than the window") << screenRect;
    QTest::newRow("smaller") << QRect(100, 50, 300, 200);
    QTest::newRow("narrower only") << QRect(-40, 0, 300, 1080);
}

void TestMainWindow::windowKeepsItsCornerOnTheScreen()
{
    QFETCH(QRect, screen);
    WindowFixture f({}, Counting::Fake, screen);
    const QRect frame = f.window->frameGeometry();

    QVERIFY(screen.contains(frame.topLeft()));
    if (frame.width() <= screen.width())
        QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
    else
        QCOMPARE(frame.left(), screen.left());
    if (frame.height() <= screen.height())
        QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
    else
        QCOMPARE(frame.top(), screen.top());
}

void TestMainWindow::untickingActiveKeepsAlertValues()
{
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"},
                     {key(KEY_ALERT_ADDED, 0), " 1"},
                     {key(KEY_ALERT_REMOVED, 0), " 1"}});
    Form1& w = *f.window;
    QVERIFY(allEnabled(slotControls(w, 0), true));

    w.Check1[0]->click();
    QCOMPARE(w.active(0), CHECK_UNCHECKED);
    QVERIFY(allEnabled(slotControls(w, 0), false));
    QCOMPARE(w.alertAdded(0), CHECK_CHECKED);
    QCOMPARE(w.alertRemoved(0), CHECK_CHECKED);

    w.Check1[0]->click();
    QVERIFY(allEnabled(slotControls(w, 0), true));
    QCOMPARE(w.alertAdded(0), CHECK_CHECKED);
}

void TestMainWindow::choosingAFolderChangesOnlyTheLabel()
{
    WindowFixture f({{key(KEY_ACTIVE, 2), " 1"}, {key(KEY_ALERT_REMOVED, 2), " 1"}});
    Form1& w = *f.window;
    QString promptSeen;
    w.setFolderPicker([&](QWidget* owner, const QString& prompt, const QString&) {
        promptSeen = prompt;
        return owner == &w ? QStringLiteral("/home/u/Inbox") : QString();
    });

    w.Command1[2]->click();

    QCOMPARE(promptSeen, QString("Select a folder to watch..."));
    QCOMPARE(w.folder(2), QString("/home/u/Inbox"));
    QCOMPARE(w.active(2), CHECK_CHECKED);
    QCOMPARE(w.alertRemoved(2), CHECK_CHECKED);
    QCOMPARE(w.alertAdded(2), CHECK_UNCHECKED);
    QVERIFY(allEnabled(slotControls(w, 2), true));
}

void TestMainWindow::cancellingTheChooserClearsAndSwitchesOffThatSlot()
{
    QMap<QString, QString> stored;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        stored[key(KEY_ACTIVE, slot)] = " 1";
        stored[key(KEY_FOLDER, slot)] = QStringLiteral("/watched/%1").arg(slot);
        stored[key(KEY_ALERT_ADDED, slot)] = " 1";
    }
    WindowFixture f(stored);
    Form1& w = *f.window;
    w.setFolderPicker([](QWidget*, const QString&, const QString&) { return QString(); });

    w.Command1[3]->click();

    QCOMPARE(w.folder(3), QString("(None presently selected)"));
    QCOMPARE(w.active(3), CHECK_UNCHECKED);
    QVERIFY(allEnabled(slotControls(w, 3), false));
    QCOMPARE(w.alertAdded(3), CHECK_CHECKED);
    for (int slot : {0, 1, 2, 4}) {
        QCOMPARE(w.folder(slot), QStringLiteral("/watched/%1").arg(slot));
        QCOMPARE(w.active(slot), CHECK_CHECKED);
        QVERIFY(allEnabled(slotControls(w, slot), true));
    }
}

void TestMainWindow::longFolderIsShownElidedButKeptWhole()
{
    const QString longPath = "/srv/" + QString("very-long-folder-name/").repeated(20) + "end";
    WindowFixture f({{key(KEY_FOLDER, 0), longPath}});
    Form1& w = *f.window;

    FolderLabel* label = w.Label1[0];
    QVERIFY(label->text() != longPath);
    QVERIFY(label->text().startsWith("/srv/"));
    QVERIFY(label->text().endsWith("end"));
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
    QCOMPARE(label->toolTip(), longPath);
    QCOMPARE(w.folder(0), longPath);

    w.setFolder(0, "/short");
    QCOMPARE(label->text(), QString("/short"));
    QVERIFY(label->toolTip().isEmpty());
}

void TestMainWindow::tickWhileChooserIsOpenSeesTheOldFolder()
{
    QTemporaryDir before, after;
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"}, {key(KEY_FOLDER, 0), before.path()}},
                    Counting::Fake);
    Form1& w = *f.window;
    w.setFolderPicker([&](QWidget*, const QString&, const QString&) {
        w.Timer1_Timer();
        return after.path();
    });

    w.Command1[0]->click();

    QCOMPARE(f.log.filter("count:"), QStringList{"count:" + before.path()});
    QCOMPARE(w.folder(0), after.path());
}

void TestMainWindow::closingSavesEveryValueOnce()
{
    WindowFixture f;
    Form1& w = *f.window;
    w.show();
    w.Check1[4]->click();
    w.Check3[4]->click();
    w.Check4->click();
    f.log.clear();

    QVERIFY(w.close());
    w.Form_QueryUnload(); // a second close request for the same window saves nothing more

    QCOMPARE(f.log.filter("save:").size(), SETTINGS_VALUE_COUNT);
    QCOMPARE(f.log.count("flush"), 1);
    QCOMPARE(f.store.values.value(key(KEY_ACTIVE, 4)), QString(" 1"));
    QCOMPARE(f.store.values.value(key(KEY_ALERT_REMOVED, 4)), QString(" 1"));
    QCOMPARE(f.store.values.value("values/check4"), QString(" 1"));
    QVERIFY(!f.pollTimer.isActive());
}

void TestMainWindow::realAlertBoxAfterAFileIsAdded()
{
    QTemporaryDir watched;
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"},
                     {key(KEY_FOLDER, 0), watched.path()},
                     {key(KEY_ALERT_ADDED, 0), " 1"},
                     {"values/check4", " 1"}});
    Form1& w = *f.window;
    w.show();
    f.tick(); // the first tick records the count
    touch(watched.filePath("new.txt"));

    QString title, text;
    int buttons = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QWidget* owner = nullptr;
    ModalWatch watch([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        buttons = box->buttons().size();
        icon = box->icon();
        owner = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Return);
    });
    f.tick();

    QVERIFY(watch.sawDialog());
    QCOMPARE(title, QString("Marrowquill 1.0"));
    QCOMPARE(text, "Change in folder " + watched.path());
    QCOMPARE(buttons, 1);
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(owner, &w);
    QCOMPARE(f.log, CallLog{"beep"});
    QCOMPARE(w.pollState().previousCount[0], std::int64_t(1));
}

void TestMainWindow::closingWhileAnAlertIsOpenClosesIt()
{
    QTemporaryDir first, second;
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"},
                     {key(KEY_FOLDER, 0), first.path()},
                     {key(KEY_ALERT_ADDED, 0), " 1"},
                     {key(KEY_ACTIVE, 1), " 1"},
                     {key(KEY_FOLDER, 1), second.path()},
                     {key(KEY_ALERT_ADDED, 1), " 1"}});
    Form1& w = *f.window;
    w.show();
    f.tick();
    touch(first.filePath("a"));
    touch(second.filePath("b"));

    int boxes = 0;
    bool boxClosedWithWindow = false;
    ModalWatch watch([&](QWidget* box) {
        ++boxes;
        w.close(); // as a SIGTERM would, under the open box
        boxClosedWithWindow = !box->isVisible();
    });
    f.tick(); // ends: the box closed with the window, and no second box came

    QVERIFY(watch.sawDialog());
    QCOMPARE(boxes, 1);
    QVERIFY(boxClosedWithWindow);
    QVERIFY(!w.isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(f.log.count("flush"), 1);
}

void TestMainWindow::windowAnswersAndClosesWhileACountIsBlocked()
{
    const QString hung = QStringLiteral("/mnt/server-gone");
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"}, {key(KEY_FOLDER, 0), hung}}, Counting::Fake);
    Form1& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    f.fakeFiles.hold(hung);

    w.Timer1_Timer();
    QVERIFY(w.poll().isTickRunning());
    bool eventLoopRan = false;
    QTimer::singleShot(0, &w, [&] { eventLoopRan = true; });
    QTRY_VERIFY(eventLoopRan);
    QTest::mouseClick(w.Check4, Qt::LeftButton, {}, QPoint(5, w.Check4->height() / 2));
    QCOMPARE(w.alertSound(), CHECK_CHECKED);
    QVERIFY(w.poll().isTickRunning());

    QVERIFY(w.close());
    QVERIFY(!w.poll().isTickRunning());
    QCOMPARE(f.log.count("flush"), 1);
    QCOMPARE(f.store.values.value("values/check4"), QString(" 1"));
    f.fakeFiles.release(hung, 3); // ends after the window closed: nothing more is recorded
    QCOMPARE(w.pollState().previousCount[0], std::int64_t(0));
}

// The session manager may still cancel the logout it asks the settings for.
void TestMainWindow::sessionCommitSavesAndLeavesTheWindowRunning()
{
    WindowFixture f;
    Form1& w = *f.window;
    w.show();
    w.Check4->click();
    f.log.clear();

    w.commitData();
    QCOMPARE(f.log.filter("save:").size(), SETTINGS_VALUE_COUNT);
    QCOMPARE(f.store.values.value("values/check4"), QString(" 1"));
    QVERIFY(w.isVisible());
    QVERIFY(f.pollTimer.isActive());

    w.Check4->click(); // the logout was cancelled; the user goes on, then closes
    QVERIFY(w.close());
    QCOMPARE(f.log.count("flush"), 2);
    QCOMPARE(f.store.values.value("values/check4"), QString(" 0"));
}

// A screen reader cannot focus the folder label, and a shortened path tells it nothing: the
// "Set Folder" button describes the whole folder, as it changes.
void TestMainWindow::assistiveTechnologyHearsWhatEachSlotWatches()
{
    const QString longPath = "/srv/" + QString("nesting/inside/it/").repeated(12) + "end";
    WindowFixture f({{key(KEY_ACTIVE, 0), " 1"}, {key(KEY_FOLDER, 0), longPath}});
    Form1& w = *f.window;
    QVERIFY(w.Label1[0]->text() != longPath);

    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
    QCOMPARE(window->role(), QAccessible::Window);
    QCOMPARE(window->text(QAccessible::Name), QString("Marrowquill 1.0"));

    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(w.SSTab1->tabBar());
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        QCOMPARE(tabs->child(slot)->text(QAccessible::Name),
                 QStringLiteral("Slot %1").arg(slot + 1));
        QCOMPARE(w.SSTab1->tabText(slot), QString::number(slot + 1));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(w.SSTab1->widget(slot))->text(QAccessible::Name),
            QStringLiteral("Slot %1").arg(slot + 1));
    }
    QCOMPARE(tabs->child(SLOT_COUNT)->text(QAccessible::Name), QString("About..."));

    const auto button = [&](int slot) {
        return QAccessible::queryAccessibleInterface(w.Command1[slot]);
    };
    const auto heard = [&](int slot) { return button(slot)->text(QAccessible::Description); };
    QCOMPARE(button(0)->role(), QAccessible::Button);
    QCOMPARE(button(0)->text(QAccessible::Name), QString("Set Folder"));
    QCOMPARE(heard(0), longPath);
    QCOMPARE(QAccessible::queryAccessibleInterface(w.Label1[0])->text(QAccessible::Name), longPath);
    QCOMPARE(heard(1), QString("(None presently selected)"));

    QString next = "/home/u/Eingang";
    w.setFolderPicker([&](QWidget*, const QString&, const QString&) { return next; });
    w.Command1[0]->click();
    QCOMPARE(heard(0), QString("/home/u/Eingang"));
    next.clear(); // cancelled
    w.Command1[0]->click();
    QCOMPARE(heard(0), QString("(None presently selected)"));
}

MARROWQUILL_TEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
