// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

// How long a look at the file system (a folder's count, a path's check, a listing) is waited
// for before the folder is taken as not answering: a network share whose server went away, or
// a failing disk, blocks rather than fails.
inline constexpr int FILE_SYSTEM_PATIENCE_MS = 2000;
