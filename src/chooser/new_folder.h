// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QString>

#include <functional>

class QWidget;

// Runs with the new folder's path once it is made.
using FolderMade = std::function<void(const QString& path)>;

// Asks for a name, in a box owned by `owner`, then makes a folder of that name in `parent`.
void askForNewFolder(QWidget* owner, const QString& parent, FolderMade made);
// Makes a folder of that name in `parent`, off the window's thread (the parent may lie on a
// share that does not answer: then nothing ever comes). Says why in a message box owned by
// `owner` when it cannot; `made` runs only while `owner` is there.
void makeNewFolder(QWidget* owner, const QString& parent, const QString& name, FolderMade made);
