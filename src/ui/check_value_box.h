// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/watch_core.h"

#include <QCheckBox>

// A check box that holds this program's check values: 0 unchecked, 1 checked, 2 grayed.
// (Qt's own states number them differently: Qt::Checked is 2 and Qt::PartiallyChecked is 1.)
// A click of the user's toggles between unchecked and checked; only a set value grays it.
class CheckValueBox : public QCheckBox
{
    Q_OBJECT

public:
    explicit CheckValueBox(const QString& text, QWidget* parent = nullptr);

    CheckValue value() const;
    // Shows the value; when it differs from the old one, valueChanged is emitted before this
    // returns. A value other than 0, 1 or 2 shows as unchecked.
    void setValue(CheckValue value);

signals:
    void valueChanged();

protected:
    void nextCheckState() override;

private:
    CheckValue m_value = CHECK_UNCHECKED;
};
