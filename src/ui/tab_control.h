// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QTabWidget>

// The tab control of the main window. Positions on its pages are given from the tab control's
// top-left corner, tab strip included; pageOffset() tells where a page's own top-left lies.
class TabControl : public QTabWidget
{
    Q_OBJECT

public:
    explicit TabControl(QWidget* parent = nullptr);

    // Where the pages sit inside the tab control, as its style lays them out for its present
    // size and tabs; known before the control is first shown.
    QPoint pageOffset() const;
};
