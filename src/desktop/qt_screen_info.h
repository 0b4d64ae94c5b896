// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/screen_info.h"

class QtScreenInfo final : public ScreenInfo
{
public:
    QRect geometry() const override;
};
