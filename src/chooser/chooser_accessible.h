// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

// What screen readers get of the chooser beyond what Qt gives them: from the first call on, the
// chooser's controls without the hidden ones (Qt 6.4 gives screen readers a widget's hidden
// children too, the line that says why a path cannot be chosen among them).
void installChooserAccessibility();
