// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "core/app_identity.h"
#include "core/qt_timer.h"
#include "desktop/qt_alerts.h"
#include "fakes.h"
#include "settings/qsettings_store.h"
#include "settings/settings_layout.h"
#include "test_main.h"
#include "ui/check_value_box.h"
#include "ui/main_window.h"
#include "ui/tab_control.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <thread>
#include <unistd.h>

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
    void windowStaysLiveWhileASaveHangs();
};

void TestChangesSaved::changeIsSavedSoonAsOneWrite_data()
{
    QTest::addColumn<Action>("change");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("goesOn"); // the changes go on while the test waits
    QTest::newRow("Alert Sound ticked") << Action([](Form1& w) { click(w, w.Check4); }) << "check4"
                                        << " 1" << false;
    QTest::newRow("slot switched off")
        << Action([](Form1& w) { click(w, w.Check1[0]); }) << "check1_ 0"
        << " 0" << false;
    QTest::newRow("alert option ticked")
        << Action([](Form1& w) { click(w, w.Check3[0]); }) << "check3_ 0"
        << " 1" << false;
    QTest::newRow("folder chosen") << Action([](Form1& w) {
        w.setFolderPicker([](QWidget*, const QString&, const QString&) { return "/chosen"; });
        click(w, w.Command1[0]);
    }) << "folder_ 0"
                                   << "/chosen" << false;
    QTest::newRow("folder cleared") << Action([](Form1& w) {
        w.setFolderPicker([](QWidget*, const QString&, const QString&) { return QString(); });
        click(w, w.Command1[0]);
    }) << "folder_ 0" << NO_FOLDER_TEXT
                                    << false;
    QTest::newRow("a burst of changes") << Action([](Form1& w) {
        for (int slot = 1; slot < SLOT_COUNT; ++slot)
            click(w, w.Check1[slot]);
        click(w, w.Check4);
        click(w, w.Check4);
        click(w, w.Check2[0]);
    }) << "check1_ 4"
                                        << " 1" << false;
    QTest::newRow("a steady stream of changes") << Action([](Form1& w) {
        click(w, w.Check1[0]);
        auto* stream = new QTimer(&w);
        QObject::connect(stream, &QTimer::timeout, &w, [&w] { click(w, w.Check4); });
        stream->start(Form1::SAVE_DELAY_MS / 4);
    }) << "check1_ 0"
                                                << " 0" << true;
}

void TestChangesSaved::changeIsSavedSoonAsOneWrite()
{
    QFETCH(Action, change);
    QFETCH(QString, key);
    QFETCH(QString, saved);
    QFETCH(bool, goesOn);
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
    if (goesOn)
        return; // saved again as the changes go on
    QTest::qWait(Form1::SAVE_DELAY_MS + 300);
    QCOMPARE(log.count("flush"), 1);
}

// The settings folder on the project's FUSE filesystem, which stops answering once the window
// has loaded, as a network share whose server went away: a change is saved, and while that
// save waits the window goes on taking clicks.
void TestChangesSaved::windowStaysLiveWhileASaveHangs()
{
#ifndef HANGING_FS
    QSKIP("the FUSE test filesystem was not built (libfuse3 missing)");
#else
    if (!QFile::exists("/dev/fuse") || QStandardPaths::findExecutable("fusermount3").isEmpty())
        QSKIP("FUSE cannot be used here");
    QTemporaryDir home;
    const QString folder = home.filePath(APPLICATION_NAME);
    const QByteArray release = QFile::encodeName(home.filePath("release"));
    QVERIFY(QDir().mkpath(folder));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    QSettingsStore store(APPLICATION_NAME);
    QCOMPARE(store.fileName(), folder + "/Marrowquill.conf");
    CallLog log;
    FakeBeeper beeper{log};
    FakeScreen screen{QRect(0, 0, 1920, 1080)};
    FakeFileCounter files{log};
    FakeTimer pollTimer;
    QtTimer patience{QtTimer::Kind::SingleShot};
    QtMessageBox alertBox{QString::fromLatin1(PRODUCT_TITLE)};
    Form1 window(WindowServices{store, files, pollTimer, patience, beeper, alertBox, screen});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QProcess fs;
    fs.start(HANGING_FS, {folder, QFile::decodeName(release), "lookup"});
    // A save stuck on this thread would stop the test too: the filesystem is let go after a
    // while, so that it fails rather than hangs.
    std::jthread letGo([&release](std::stop_token stop) {
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!stop.stop_requested() && std::chrono::steady_clock::now() < bound)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::close(::open(release.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    });
    const auto unmount = qScopeGuard([&] {
        letGo.request_stop();
        letGo.join();
        store.waitForSaves();
        QProcess::execute("fusermount3", {"-uz", folder});
        fs.kill();
        fs.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(
        QFileInfo(folder + "/hang").isDir() || fs.state() == QProcess::NotRunning, 5000);
    if (!QFileInfo(folder + "/hang").isDir())
        QSKIP("the FUSE filesystem could not be mounted here");

    click(window, window.Check4);
    QTest::qWait(Form1::SAVE_DELAY_MS + 500); // the save has begun
    click(window, window.Check4);
    QCOMPARE(window.Check4->value(), CHECK_UNCHECKED);
    QVERIFY2(!QFileInfo::exists(QFile::decodeName(release)), "the window waited for the save");
#endif
}

MARROWQUILL_TEST_MAIN(TestChangesSaved)
#include "tst_changes_saved.moc"
