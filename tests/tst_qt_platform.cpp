// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "core/qt_timer.h"
#include "core/watch_core.h"
#include "desktop/qt_alerts.h"
#include "desktop/qt_desktop_windows.h"
#include "desktop/qt_screen_info.h"
#include "modal_watch.h"
#include "test_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QWindow>

#include <optional>

namespace {

// Qt's own desktop calls, with the attention requests recorded; `keepBehind` makes another
// window active where the box asks to be, as a window manager that prevents focus stealing
// does.
class RecordingDesktop : public QtDesktopWindows
{
public:
    void alertShown(QWidget* box, bool activate) override
    {
        if (!activate)
            return;
        attention << QStringLiteral("box activated");
        if (!keepBehind)
            QtDesktopWindows::alertShown(box, activate);
        else
            keepBehind->activateWindow();
    }
    void setAttention(QWidget* window, bool on) override
    {
        const QString name =
            qobject_cast<QMessageBox*>(window) ? QStringLiteral("box") : window->objectName();
        attention << QStringLiteral("%1 %2").arg(name, on ? "on" : "off");
    }

    QWidget* keepBehind = nullptr;
    QStringList attention;
};

} // namespace

// The Qt implementations of the alert box, the poll timer and the screen.
class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void alertBoxShowsPromptUnderTitleWithOnlyOk();
    void alertIgnoresInputUntilAQuietMoment_data();
    void alertIgnoresInputUntilAQuietMoment();
    void alertAsksForAttentionOnlyWhileNotInFront_data();
    void alertAsksForAttentionOnlyWhileNotInFront();
    void alertOfAMinimizedOwnerStandsAlone_data();
    void alertOfAMinimizedOwnerStandsAlone();
    void waylandSessionRunsOnXWaylandWhereOffered_data();
    void waylandSessionRunsOnXWaylandWhereOffered();
    void repeatingTimerStartsStoppedAndTicksOnceStarted();
    void singleShotTimerFiresOnce();
};

void TestQtPlatform::alertBoxShowsPromptUnderTitleWithOnlyOk()
{
    QWidget owner;
    owner.show();
    QtMessageBox alerts(PRODUCT_TITLE, &owner);
    const QString prompt = "Change in folder /tmp/<b>not bold</b>";

    QMessageBox* seen = nullptr;
    QString title, text;
    QList<QAbstractButton*> buttons;
    bool modalByHand = false;
    ModalWatch watch([&](QWidget* dialog) {
        seen = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(seen);
        title = seen->windowTitle();
        text = seen->text();
        buttons = seen->buttons();
        QCOMPARE(seen->icon(), QMessageBox::NoIcon);
        QCOMPARE(seen->textFormat(), Qt::PlainText);
        QCOMPARE(seen->parentWidget(), &owner);
        // Modal by hand: Qt would ask the window manager to activate a modal window.
        modalByHand = !owner.isEnabled() && seen->isEnabled() && !seen->isModal();
        seen->button(QMessageBox::Ok)->click();
    });

    alerts.show(prompt); // returns only once the box is dismissed

    QVERIFY(watch.sawDialog());
    QCOMPARE(title, QString("Marrowquill 1.0"));
    QCOMPARE(text, prompt);
    QCOMPARE(buttons.size(), 1);
    QVERIFY(modalByHand);
    QVERIFY(owner.isEnabled()); // again, once the box is dismissed
}

// Keys typed and clicks made for another window as the box comes up must not dismiss it.
void TestQtPlatform::alertIgnoresInputUntilAQuietMoment_data()
{
    QTest::addColumn<int>("key");            // 0: a click on OK
    QTest::addColumn<QList<int>>("waitsMs"); // before each press of the key
    QTest::addColumn<bool>("dismissed");
    const int quiet = QtMessageBox::INPUT_QUIET_MS + 200;
    const int typing = QtMessageBox::INPUT_QUIET_MS / 4;
    QTest::newRow("Return at once") << int(Qt::Key_Return) << QList{0} << false;
    QTest::newRow("Space at once") << int(Qt::Key_Space) << QList{0} << false;
    QTest::newRow("Return while typing goes on past the moment")
        << int(Qt::Key_Return) << QList{0, typing, typing, typing, typing, typing} << false;
    QTest::newRow("Return after a quiet moment") << int(Qt::Key_Return) << QList{quiet} << true;
    QTest::newRow("Space after a quiet moment") << int(Qt::Key_Space) << QList{quiet} << true;
    QTest::newRow("click at once") << 0 << QList{0} << false;
    QTest::newRow("click after a quiet moment") << 0 << QList{quiet} << true;
}

void TestQtPlatform::alertIgnoresInputUntilAQuietMoment()
{
    QFETCH(int, key);
    QFETCH(QList<int>, waitsMs);
    QFETCH(bool, dismissed);
    QWidget owner;
    owner.show();
    QtMessageBox alerts(PRODUCT_TITLE, &owner);

    bool gone = false;
    ModalWatch watch([&](QWidget* box) {
        for (const int wait : waitsMs) {
            QTest::qWait(wait);
            QWidget* focused = box->focusWidget() ? box->focusWidget() : box;
            if (key)
                QTest::keyClick(focused, Qt::Key(key));
            else
                QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                                  Qt::LeftButton);
        }
        gone = !box->isVisible();
    });
    alerts.show("Change in folder /tmp");

    QVERIFY(watch.sawDialog());
    QCOMPARE(gone, dismissed);
}

void TestQtPlatform::alertAsksForAttentionOnlyWhileNotInFront_data()
{
    QTest::addColumn<bool>("ownWindowActive");
    QTest::addColumn<bool>("keptBehind");
    QTest::addColumn<bool>("leftUnanswered"); // the user goes elsewhere and comes back
    QTest::addColumn<QStringList>("attention");
    QTest::newRow("comes in front") << true << false << false << QStringList{"box activated"};
    QTest::newRow("kept behind, then activated")
        << true << true << false
        << QStringList{"box activated", "box on", "owner on", "box off", "owner off"};
    // Another program has the keyboard: the box does not ask for it.
    QTest::newRow("not ours to take, then activated")
        << false << false << false << QStringList{"box on", "owner on", "box off", "owner off"};
    QTest::newRow("activated, left unanswered, activated again")
        << false << false << true << QStringList{"box on", "owner on", "box off", "owner off",
                                                 "box on", "owner on", "box off", "owner off"};
}

void TestQtPlatform::alertAsksForAttentionOnlyWhileNotInFront()
{
    QFETCH(bool, ownWindowActive);
    QFETCH(bool, keptBehind);
    QFETCH(bool, leftUnanswered);
    QFETCH(QStringList, attention);
    QWidget owner, elsewhere;
    owner.setObjectName("owner");
    if (ownWindowActive) {
        owner.show();
        elsewhere.show();
        QTRY_VERIFY(QApplication::activeWindow());
    }
    RecordingDesktop desktop;
    desktop.keepBehind = keptBehind ? &elsewhere : nullptr;
    QtMessageBox alerts(PRODUCT_TITLE, &owner);
    alerts.setDesktop(&desktop);

    ModalWatch watch([&](QWidget* box) {
        QTest::qWait(QtMessageBox::IN_FRONT_PATIENCE_MS + 300);
        box->activateWindow(); // the user brings it in front: the taskbar stops flashing
        QTRY_VERIFY(box->isActiveWindow());
        if (leftUnanswered) {
            elsewhere.show();
            elsewhere.activateWindow();
            QTRY_VERIFY(!box->isActiveWindow());
            box->activateWindow();
            QTRY_VERIFY(box->isActiveWindow());
        }
        QTRY_COMPARE(desktop.attention, attention);
    });
    alerts.show("Change in folder /tmp");

    QVERIFY(watch.sawDialog());
    QCOMPARE(desktop.attention, attention); // nothing more once it is dismissed
}

// A compositor hides the transients of a minimized window.
void TestQtPlatform::alertOfAMinimizedOwnerStandsAlone_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::newRow("owner shown") << false;
    QTest::newRow("owner minimized") << true;
}

void TestQtPlatform::alertOfAMinimizedOwnerStandsAlone()
{
    QFETCH(bool, minimized);
    QWidget owner;
    minimized ? owner.showMinimized() : owner.show();
    QtDesktopWindows desktop;
    QtMessageBox alerts(PRODUCT_TITLE, &owner);
    alerts.setDesktop(&desktop);

    const QWindow* transientParent = nullptr;
    bool modal = false;
    ModalWatch watch([&](QWidget* box) {
        transientParent = box->windowHandle()->transientParent();
        modal = !owner.isEnabled() && box->parentWidget() == &owner;
    });
    alerts.show("Change in folder /tmp");

    QVERIFY(watch.sawDialog());
    QVERIFY(modal);
    QCOMPARE(transientParent, minimized ? nullptr : owner.windowHandle());
}

void TestQtPlatform::waylandSessionRunsOnXWaylandWhereOffered_data()
{
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("asked"); // QT_QPA_PLATFORM before
    QTest::addColumn<QByteArray>("chosen");
    QTest::newRow("Wayland with XWayland")
        << QByteArray("wayland-0") << QByteArray(":0") << QByteArray() << QByteArray("xcb");
    QTest::newRow("Wayland alone")
        << QByteArray("wayland-0") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("X11") << QByteArray() << QByteArray(":0") << QByteArray() << QByteArray();
    QTest::newRow("the user asks for Wayland") << QByteArray("wayland-0") << QByteArray(":0")
                                               << QByteArray("wayland") << QByteArray("wayland");
}

void TestQtPlatform::waylandSessionRunsOnXWaylandWhereOffered()
{
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, asked);
    QFETCH(QByteArray, chosen);
    const char* names[] = {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"};
    QList<std::optional<QByteArray>> saved;
    for (const char* name : names)
        saved << (qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    const auto set = [](const char* name, const QByteArray& value) {
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    };
    set("WAYLAND_DISPLAY", waylandDisplay);
    set("DISPLAY", display);
    set("QT_QPA_PLATFORM", asked);
    qunsetenv("XDG_SESSION_TYPE");

    chooseWindowPlatform();
    const QByteArray result = qgetenv("QT_QPA_PLATFORM");

    for (int i = 0; i < saved.size(); ++i)
        saved[i] ? qputenv(names[i], *saved[i]) : qunsetenv(names[i]);
    QCOMPARE(result, chosen);
}

void TestQtPlatform::repeatingTimerStartsStoppedAndTicksOnceStarted()
{
    QtTimer timer(QtTimer::Kind::Repeating);
    int ticks = 0;
    timer.setHandler([&] { ++ticks; });
    QVERIFY(!timer.isActive());
    QTest::qWait(60);
    QCOMPARE(ticks, 0);
    timer.start(20);
    QCOMPARE(timer.intervalMs(), 20);
    QTRY_VERIFY(ticks >= 2);
    timer.stop();
    const int stoppedAt = ticks;
    QTest::qWait(60);
    QCOMPARE(ticks, stoppedAt);
}

void TestQtPlatform::singleShotTimerFiresOnce()
{
    QtTimer timer(QtTimer::Kind::SingleShot);
    int fired = 0;
    timer.setHandler([&] { ++fired; });
    timer.start(10);
    QTRY_COMPARE(fired, 1);
    QVERIFY(!timer.isActive());
    QTest::qWait(50);
    QCOMPARE(fired, 1);
}

MARROWQUILL_TEST_MAIN(TestQtPlatform)
#include "tst_qt_platform.moc"
