// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "core/watch_core.h"
#include "modal_watch.h"
#include "platform/qt_alerts.h"
#include "platform/qt_screen_info.h"
#include "platform/qt_timer.h"
#include "test_main.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

// The Qt implementations of the alert box, the poll timer and the screen.
class TestQtPlatform : public QObject
{
    Q_OBJECT

private slots:
    void alertBoxShowsPromptUnderTitleWithOnlyOk();
    void repeatingTimerStartsStoppedAndTicksOnceStarted();
    void singleShotTimerFiresOnce();
    void primaryScreenHasASize();
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
    ModalWatch watch([&](QWidget* dialog) {
        seen = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(seen);
        title = seen->windowTitle();
        text = seen->text();
        buttons = seen->buttons();
        QCOMPARE(seen->icon(), QMessageBox::NoIcon);
        QCOMPARE(seen->textFormat(), Qt::PlainText);
        QCOMPARE(seen->parentWidget(), &owner);
        QVERIFY(seen->isModal());
        seen->button(QMessageBox::Ok)->click();
    });

    alerts.show(prompt); // returns only once the box is dismissed

    QVERIFY(watch.sawDialog());
    QCOMPARE(title, QString("Marrowquill 1.0"));
    QCOMPARE(text, prompt);
    QCOMPARE(buttons.size(), 1);
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

void TestQtPlatform::primaryScreenHasASize()
{
    QtScreenInfo screen;
    QVERIFY(!screen.geometry().isEmpty());
}

MARROWQUILL_TEST_MAIN(TestQtPlatform)
#include "tst_qt_platform.moc"
