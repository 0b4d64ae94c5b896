// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "settings/settings_layout.h"

#include "settings/settings_store.h"

namespace {

const QString section = QString::fromLatin1(SETTINGS_SECTION);

CheckValue loadCheck(const SettingsStore& store, const QString& key)
{
    return parseCheckValue(store.get(section, key, QString::fromLatin1(DEFAULT_CHECK_TEXT)));
}

void saveCheck(SettingsStore& store, const QString& key, CheckValue value)
{
    store.save(section, key, signSpace(value));
}

} // namespace

QString signSpace(int number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

QString slotKey(const char* prefix, int slot)
{
    return QString::fromLatin1(prefix) + signSpace(slot);
}

CheckValue parseCheckValue(const QString& text)
{
    bool isNumber = false;
    const int number = text.trimmed().toInt(&isNumber);
    if (!isNumber || number < CHECK_UNCHECKED || number > CHECK_GRAYED)
        return CHECK_UNCHECKED;
    return static_cast<CheckValue>(number);
}

void LoadSettings(SlotFields& fields, const SettingsStore& store)
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        fields.setActive(slot, loadCheck(store, slotKey(KEY_ACTIVE, slot)));
        fields.setFolder(slot, store.get(section, slotKey(KEY_FOLDER, slot),
                                         QString::fromLatin1(NO_FOLDER_TEXT)));
        fields.setAlertAdded(slot, loadCheck(store, slotKey(KEY_ALERT_ADDED, slot)));
        fields.setAlertRemoved(slot, loadCheck(store, slotKey(KEY_ALERT_REMOVED, slot)));
    }
    fields.setAlertSound(loadCheck(store, QString::fromLatin1(KEY_ALERT_SOUND)));
}

bool SaveSettings(const SlotFields& fields, SettingsStore& store)
{
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        saveCheck(store, slotKey(KEY_ACTIVE, slot), fields.active(slot));
        store.save(section, slotKey(KEY_FOLDER, slot), fields.folder(slot));
        saveCheck(store, slotKey(KEY_ALERT_ADDED, slot), fields.alertAdded(slot));
        saveCheck(store, slotKey(KEY_ALERT_REMOVED, slot), fields.alertRemoved(slot));
    }
    saveCheck(store, QString::fromLatin1(KEY_ALERT_SOUND), fields.alertSound());
    return store.flush();
}
