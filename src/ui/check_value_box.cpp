// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/check_value_box.h"

namespace {

Qt::CheckState toQtState(CheckValue value)
{
    switch (value) {
    case CHECK_CHECKED:
        return Qt::Checked;
    case CHECK_GRAYED:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

} // namespace

CheckValueBox::CheckValueBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

CheckValue CheckValueBox::value() const
{
    return m_value;
}

void CheckValueBox::setValue(CheckValue value)
{
    if (value == m_value)
        return;
    m_value = value;
    {
        const QSignalBlocker quiet(this); // valueChanged is ours to emit, once
        setCheckState(toQtState(value));
    }
    emit valueChanged();
}

void CheckValueBox::nextCheckState()
{
    setValue(m_value == CHECK_CHECKED ? CHECK_UNCHECKED : CHECK_CHECKED);
}
