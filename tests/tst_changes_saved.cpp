// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "desktop/qt_alerts.h"
#include "desktop/qt_timer.h"
#include "fakes.h"
#include "settings/settings_layout.h"
#include "test_main.h"
#include "ui/check_value_box.h"
#include "ui/main_window.h"
#include "ui/tab_control.h"

#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

using Action = std::function<void(Form1&)>;

// Clicks it as the user would, on its page.
void click(Form1& window, QAbstractButton* button)
{
    for (int page = 0; page < window.SSTab1->count(); ++page) {
        if (window.SSTab1->widget(page)->isAncestorOf(button))
            window.SSTab1->setCurrentIndex(page);
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

} // namespace

Q_DECLARE_METATYPE(Action)

// Every change the user makes reaches the store a moment later, without waiting for the close.
class TestChangesSaved : public QObject
{
    Q_OBJECT

private slots:
    void changeIsSavedSoonAsOneWrite_data();
    void changeIsSavedSoonAsOneWrite();
};

void TestChangesSaved::changeIsSavedSoonAsOneWrite_data()
{
    QTest::addColumn<Action>("change");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("saved");
    QTest::newRow("Alert Sound ticked") << Action([](Form1& w) { click(w, w.Check4); }) << "check4"
                                        << " 1";
    QTest::newRow("slot switched off")
        << Action([](Form1& w) { click(w, w.Check1[0]); }) << "check1_ 0"
        << " 0";
    QTest::newRow("alert option ticked")
        << Action([](Form1& w) { click(w, w.Check3[0]); }) << "check3_ 0"
        << " 1";
    QTest::newRow("folder chosen") << Action([](Form1& w) {
        w.setFolderPicker([](QWidget*, const QString&, const QString&) { return "/chosen"; });
        click(w, w.Command1[0]);
    }) << "folder_ 0"
                                   << "/chosen";
    QTest::newRow("folder cleared") << Action([](Form1& w) {
        w.setFolderPicker([](QWidget*, const QString&, const QString&) { return QString(); });
        click(w, w.Command1[0]);
    }) << "folder_ 0" << NO_FOLDER_TEXT;
    QTest::newRow("a burst of changes") << Action([](Form1& w) {
        for (int slot = 1; slot < SLOT_COUNT; ++slot)
            click(w, w.Check1[slot]);
        click(w, w.Check4);
        click(w, w.Check4);
        click(w, w.Check2[0]);
    }) << "check1_ 4"
                                        << " 1";
}

void TestChangesSaved::changeIsSavedSoonAsOneWrite()
{
    QFETCH(Action, change);
    QFETCH(QString, key);
    QFETCH(QString, saved);
    CallLog log;
    FakeSettingsStore store{log};
    store.values = {{"values/check1_ 0", " 1"}, {"values/folder_ 0", "/before"}};
    FakeBeeper beeper{log};
    FakeScreen screen{QRect(0, 0, 1920, 1080)};
    FakeFileCounter files{log};
    FakeTimer pollTimer;
    QtTimer patience{QtTimer::Kind::SingleShot};
    QtMessageBox alertBox{QString::fromLatin1(PRODUCT_TITLE)};
    Form1 window(WindowServices{store, files, pollTimer, patience, beeper, alertBox, screen});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(Form1::SAVE_DELAY_MS + 300);
    QCOMPARE(log.count("flush"), 0); // loading is not a change

    change(window);
    QCOMPARE(log.count("flush"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(log.count("flush"), 1, 5 * Form1::SAVE_DELAY_MS);
    QCOMPARE(store.values.value("values/" + key), saved);
    QCOMPARE(log.filter("save:").size(), SETTINGS_VALUE_COUNT);
    QTest::qWait(Form1::SAVE_DELAY_MS + 300);
    QCOMPARE(log.count("flush"), 1);
}

MARROWQUILL_TEST_MAIN(TestChangesSaved)
#include "tst_changes_saved.moc"
