// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/watch_core.h"

#include <QString>

class SettingsStore;

// Where and how the five watch slots and the "Alert Sound" option are kept between runs.
// Numbers are kept in sign-space form: a space before a number that is zero or positive, a
// minus sign before a negative one (" 0", " 1", "-1"). Keys carry the slot number in the same
// form, so the active state of slot 0 is under "check1_ 0".
inline constexpr char SETTINGS_SECTION[] = "values";
inline constexpr char KEY_ACTIVE[] = "check1_";
inline constexpr char KEY_FOLDER[] = "folder_";
inline constexpr char KEY_ALERT_ADDED[] = "check2_";
inline constexpr char KEY_ALERT_REMOVED[] = "check3_";
inline constexpr char KEY_ALERT_SOUND[] = "check4";
inline constexpr char DEFAULT_CHECK_TEXT[] = "0";
inline constexpr int SETTINGS_VALUE_COUNT = 4 * SLOT_COUNT + 1;

QString signSpace(int number);
// The key of a per-slot value: the prefix followed by the slot number in sign-space form.
QString slotKey(const char* prefix, int slot);
// A stored check value: an integer, spaces around it allowed. Text that is not a number, or a
// number that is not a check value (0, 1 or 2), reads as 0.
CheckValue parseCheckValue(const QString& text);

// Reads the 21 values from the store into the fields, slot by slot, then "Alert Sound".
void LoadSettings(SlotFields& fields, const SettingsStore& store);
// Writes the 21 values from the fields into the store, in the order they are read, and makes
// them last. False when the store could not keep them.
bool SaveSettings(const SlotFields& fields, SettingsStore& store);
