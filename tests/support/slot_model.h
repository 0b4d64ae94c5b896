// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/watch_core.h"

#include <array>
#include <functional>

// The slot fields held in memory, as the window holds them, for the tests and
// benchmarks that have no window.
class SlotModel final : public SlotFields
{
public:
    using ActiveChangedHandler = std::function<void(int slot)>;

    void setActiveChangedHandler(ActiveChangedHandler handler);

    CheckValue active(int slot) const override;
    QString folder(int slot) const override;
    CheckValue alertAdded(int slot) const override;
    CheckValue alertRemoved(int slot) const override;
    CheckValue alertSound() const override;

    void setActive(int slot, CheckValue value) override;
    void setFolder(int slot, const QString& text) override;
    void setAlertAdded(int slot, CheckValue value) override;
    void setAlertRemoved(int slot, CheckValue value) override;
    void setAlertSound(CheckValue value) override;

private:
    std::array<WatchSlot, SLOT_COUNT> m_slots;
    CheckValue m_alertSound = CHECK_UNCHECKED;
    ActiveChangedHandler m_activeChanged;
};
