// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/folder_label.h"

#include <QEvent>

FolderLabel::FolderLabel(QWidget* parent) : QLabel(parent)
{
    // A path is never markup, and & in it is no access key.
    setTextFormat(Qt::PlainText);
}

void FolderLabel::setFolderText(const QString& text)
{
    const bool changed = text != m_folderText;
    m_folderText = text;
    setAccessibleName(text);
    showFitted();
    if (changed)
        emit folderTextChanged(text);
}

void FolderLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitted();
}

void FolderLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        showFitted();
}

void FolderLabel::showFitted()
{
    // A newline would break the one-line label; show it as a space.
    QString oneLine = m_folderText;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString shown =
        fontMetrics().elidedText(oneLine, Qt::ElideMiddle, contentsRect().width());
    QLabel::setText(shown);
    setToolTip(shown == oneLine ? QString() : m_folderText);
}
