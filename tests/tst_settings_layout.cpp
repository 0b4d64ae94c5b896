// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "fakes.h"
#include "settings/settings_layout.h"

#include <QTest>

namespace {

QString valueKey(const QString& key)
{
    return QStringLiteral("values/") + key;
}

} // namespace

class TestSettingsLayout : public QObject
{
    Q_OBJECT

private slots:
    void signSpaceForm_data();
    void signSpaceForm();
    void checkValueText_data();
    void checkValueText();
    void emptyStoreLoadsDefaults();
    void savesEveryValueInOrderThenFlushes();
    void loadingActiveRaisesNotificationOnlyOnChange();
    void keysWithoutTheSpaceAreNotOurs();
    void roundTripKeepsEveryValue();
    void failedFlushIsReported();
};

void TestSettingsLayout::signSpaceForm_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << " 0";
    QTest::newRow("one") << 1 << " 1";
    QTest::newRow("two digits") << 42 << " 42";
    QTest::newRow("negative") << -1 << "-1";
}

void TestSettingsLayout::signSpaceForm()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QCOMPARE(signSpace(number), text);
}

void TestSettingsLayout::checkValueText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("sign-space one") << " 1" << 1;
    QTest::newRow("plain one") << "1" << 1;
    QTest::newRow("spaces around two") << "  2  " << 2;
    QTest::newRow("sign-space zero") << " 0" << 0;
    QTest::newRow("three is no check value") << "3" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("not a number") << "yes" << 0;
    QTest::newRow("fraction") << "1.5" << 0;
    QTest::newRow("digit then text") << "1x" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("huge") << "99999999999999999999" << 0;
}

void TestSettingsLayout::checkValueText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(parseCheckValue(text)), value);
}

void TestSettingsLayout::emptyStoreLoadsDefaults()
{
    CallLog log;
    FakeSettingsStore store(log);
    SlotModel fields;
    fields.setActive(2, CHECK_CHECKED);
    fields.setFolder(2, QStringLiteral("/tmp"));
    fields.setAlertAdded(2, CHECK_CHECKED);
    fields.setAlertSound(CHECK_CHECKED);

    LoadSettings(fields, store);

    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        QCOMPARE(fields.active(slot), CHECK_UNCHECKED);
        QCOMPARE(fields.folder(slot), QString(NO_FOLDER_TEXT));
        QCOMPARE(fields.alertAdded(slot), CHECK_UNCHECKED);
        QCOMPARE(fields.alertRemoved(slot), CHECK_UNCHECKED);
    }
    QCOMPARE(fields.alertSound(), CHECK_UNCHECKED);
}

void TestSettingsLayout::savesEveryValueInOrderThenFlushes()
{
    CallLog log;
    FakeSettingsStore store(log);
    SlotModel fields;
    fields.setActive(1, CHECK_CHECKED);
    fields.setFolder(1, QStringLiteral("/home/u/In box"));
    fields.setAlertRemoved(1, CHECK_CHECKED);
    fields.setAlertSound(CHECK_CHECKED);

    QVERIFY(SaveSettings(fields, store));

    CallLog expected;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        const QString d = QLatin1Char(' ') + QString::number(slot);
        const bool one = slot == 1;
        expected << "save:check1_" + d + "=" + (one ? " 1" : " 0")
                 << "save:folder_" + d + "=" + (one ? "/home/u/In box" : NO_FOLDER_TEXT)
                 << "save:check2_" + d + "= 0"
                 << "save:check3_" + d + "=" + (one ? " 1" : " 0");
    }
    expected << "save:check4= 1"
             << "flush";
    QCOMPARE(log, expected);
    QCOMPARE(store.values.size(), SETTINGS_VALUE_COUNT);
}

void TestSettingsLayout::loadingActiveRaisesNotificationOnlyOnChange()
{
    CallLog log;
    FakeSettingsStore store(log);
    store.values[valueKey("check1_ 0")] = " 1"; // was 0: changes
    store.values[valueKey("check1_ 3")] = " 1"; // already 1: no change
    SlotModel fields;
    fields.setActive(3, CHECK_CHECKED);
    fields.setActive(4, CHECK_CHECKED); // nothing stored: goes to 0, a change
    QList<int> notified;
    fields.setActiveChangedHandler([&](int slot) { notified << slot; });

    LoadSettings(fields, store);

    QCOMPARE(notified, (QList<int>{0, 4}));
}

void TestSettingsLayout::keysWithoutTheSpaceAreNotOurs()
{
    CallLog log;
    FakeSettingsStore store(log);
    store.values[valueKey("check1_0")] = "1";
    store.values[valueKey("folder_0")] = "/elsewhere";
    store.values[valueKey("check1_ 2")] = "1";
    SlotModel fields;

    LoadSettings(fields, store);

    QCOMPARE(fields.active(0), CHECK_UNCHECKED);
    QCOMPARE(fields.folder(0), QString(NO_FOLDER_TEXT));
    QCOMPARE(fields.active(2), CHECK_CHECKED);
}

void TestSettingsLayout::roundTripKeepsEveryValue()
{
    CallLog log;
    FakeSettingsStore store(log);
    SlotModel saved;
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        saved.setActive(slot, CheckValue(slot % 2));
        saved.setFolder(
            slot, QStringLiteral("  /path %1 with spaces, commas; and \"quotes\" ").arg(slot));
        saved.setAlertAdded(slot, CheckValue(slot % 3));
        saved.setAlertRemoved(slot, CheckValue((slot + 1) % 3));
    }
    saved.setAlertSound(CHECK_GRAYED);
    QVERIFY(SaveSettings(saved, store));

    SlotModel loaded;
    LoadSettings(loaded, store);

    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        QCOMPARE(loaded.active(slot), saved.active(slot));
        QCOMPARE(loaded.folder(slot), saved.folder(slot));
        QCOMPARE(loaded.alertAdded(slot), saved.alertAdded(slot));
        QCOMPARE(loaded.alertRemoved(slot), saved.alertRemoved(slot));
    }
    QCOMPARE(loaded.alertSound(), CHECK_GRAYED);
}

void TestSettingsLayout::failedFlushIsReported()
{
    CallLog log;
    FakeSettingsStore store(log);
    store.flushSucceeds = false;
    SlotModel fields;
    QVERIFY(!SaveSettings(fields, store));
}

QTEST_GUILESS_MAIN(TestSettingsLayout)
#include "tst_settings_layout.moc"
