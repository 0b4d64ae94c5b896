// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "support/off_thread_runner.h"

// The workers every chooser shares, for its listings, places, checks and new folders. A folder on
// a mount that hangs ties one of them up for as long as it hangs, so they are bounded: once all
// are stuck, the choosers wait for one to come back rather than pile up threads.
inline OffThreadRunner& chooserWorkers()
{
    constexpr int MAX_WORKERS = 8;
    // Never destroyed: jobs stuck in the kernel may still be running as the program ends.
    static OffThreadRunner* const workers = new OffThreadRunner(MAX_WORKERS);
    return *workers;
}
