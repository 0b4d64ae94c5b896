// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/tab_control.h"

#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

TabControl::TabControl(QWidget* parent) : QTabWidget(parent)
{
    setUsesScrollButtons(false); // all six tabs stand in one row
}

QPoint TabControl::pageOffset() const
{
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
}
