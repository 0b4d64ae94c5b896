// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <optional>

// The program has no command line of its own, only the conventions: --help and --version print
// and end the program with 0, before any display is opened. Nothing when the program is to go on.
std::optional<int> handleInformationOptions(int argc, char** argv);
// Once QApplication has taken its own options (-platform, -session from a session manager,
// -reverse and the like): --help-all prints the help with the options Qt takes on the platform
// the program runs on and ends the program with 0; any argument left is an error that ends it
// with 2, and says so (an option of Qt's without its value says that).
std::optional<int> handleRemainingArguments();

// Without a display, QApplication would abort with a core dump: this says so in one line and
// ends the program with 1. Call before making the QApplication.
void endQuietlyWhenNoDisplayOpens();
// From when the QApplication is made, Qt's messages go their usual way again.
void restoreMessageHandler();
