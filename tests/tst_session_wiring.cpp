// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "app/session_wiring.h"
#include "core/app_identity.h"
#include "desktop/desktop_windows.h"
#include "desktop/qt_alerts.h"
#include "fakes.h"
#include "session/single_instance.h"
#include "session/termination_signals.h"
#include "test_main.h"
#include "ui/main_window.h"

#include <QMetaMethod>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>

namespace {

class FakeDesktopWindows final : public DesktopWindows
{
public:
    void prepareAlert(QWidget*, QWidget*) override {}
    bool hasKeyboard() override { return false; }
    void alertShown(QWidget*, bool) override {}
    void setAttention(QWidget*, bool) override {}
    void bringToUser(QWidget*, const QString& token) override { broughtWith << token; }
    void centreWhenFramed(QWidget*, const QRect&) override {}

    QStringList broughtWith;
};

// What the session sends: Qt makes the session manager itself and the window needs none, so
// the commit request goes out without one.
using SessionEvent = std::function<void(SingleInstance&)>;

void requestCommit(SingleInstance&)
{
    const QMetaMethod request = QMetaMethod::fromSignal(&QGuiApplication::commitDataRequest);
    void* arguments[] = {nullptr, nullptr};
    QMetaObject::activate(qApp, &QGuiApplication::staticMetaObject,
                          request.methodIndex() - QGuiApplication::staticMetaObject.methodOffset(),
                          arguments);
}

} // namespace

Q_DECLARE_METATYPE(SessionEvent)

class TestSessionWiring : public QObject
{
    Q_OBJECT

private slots:
    void windowAnswersTheSession_data();
    void windowAnswersTheSession();
};

void TestSessionWiring::windowAnswersTheSession_data()
{
    QTest::addColumn<SessionEvent>("event");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("stillOpen");
    QTest::addColumn<QStringList>("broughtWith");
    QTest::newRow("SIGTERM closes and saves")
        << SessionEvent([](SingleInstance&) { std::raise(SIGTERM); }) << true << false
        << QStringList{};
    QTest::newRow("the session manager's commit saves, the window stays")
        << SessionEvent(requestCommit) << true << true << QStringList{};
    QTest::newRow("a later start brings the window to the user")
        << SessionEvent([](SingleInstance& instance) {
               emit instance.activationRequested(QStringLiteral("token"));
           })
        << false << true << QStringList{"token"};
}

void TestSessionWiring::windowAnswersTheSession()
{
    QFETCH(SessionEvent, event);
    QFETCH(bool, saved);
    QFETCH(bool, stillOpen);
    QFETCH(QStringList, broughtWith);
    CallLog log;
    FakeSettingsStore store{log};
    FakeFileCounter files{log};
    FakeTimer pollTimer;
    FakeTimer patience{false};
    FakeBeeper beeper{log};
    QtMessageBox alertBox{QString::fromLatin1(PRODUCT_TITLE)};
    FakeScreen screen{QRect(0, 0, 1920, 1080)};
    Form1 window(WindowServices{store, files, pollTimer, patience, beeper, alertBox, screen});
    QTemporaryDir runtime;
    SingleInstance instance(QStringLiteral("wiring"), runtime.path());
    TerminationSignals termination;
    FakeDesktopWindows desktop;
    connectToSession(*qApp, window, termination, instance, desktop);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    event(instance);
    if (saved)
        QTRY_COMPARE(log.count("flush"), 1);
    QTest::qWait(50);
    QCOMPARE(log.count("flush"), saved ? 1 : 0);
    QCOMPARE(window.isVisible(), stillOpen);
    QCOMPARE(desktop.broughtWith, broughtWith);
}

MARROWQUILL_TEST_MAIN(TestSessionWiring)
#include "tst_session_wiring.moc"
