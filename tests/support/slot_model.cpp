// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "slot_model.h"

#include <utility>

void SlotModel::setActiveChangedHandler(ActiveChangedHandler handler)
{
    m_activeChanged = std::move(handler);
}

CheckValue SlotModel::active(int slot) const
{
    return m_slots.at(slot).active;
}

QString SlotModel::folder(int slot) const
{
    return m_slots.at(slot).folder;
}

CheckValue SlotModel::alertAdded(int slot) const
{
    return m_slots.at(slot).alertAdded;
}

CheckValue SlotModel::alertRemoved(int slot) const
{
    return m_slots.at(slot).alertRemoved;
}

CheckValue SlotModel::alertSound() const
{
    return m_alertSound;
}

void SlotModel::setActive(int slot, CheckValue value)
{
    CheckValue& active = m_slots.at(slot).active;
    if (active == value)
        return;
    active = value;
    if (m_activeChanged)
        m_activeChanged(slot);
}

void SlotModel::setFolder(int slot, const QString& text)
{
    m_slots.at(slot).folder = text;
}

void SlotModel::setAlertAdded(int slot, CheckValue value)
{
    m_slots.at(slot).alertAdded = value;
}

void SlotModel::setAlertRemoved(int slot, CheckValue value)
{
    m_slots.at(slot).alertRemoved = value;
}

void SlotModel::setAlertSound(CheckValue value)
{
    m_alertSound = value;
}
