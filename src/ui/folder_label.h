// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QLabel>

// Shows a folder text. A text wider than the label is shown cut in the middle, with the whole
// text as the tooltip; text() of the label is only what is shown, folderText() the whole.
// Assistive technology always gets the whole text, as the label's accessible name.
class FolderLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FolderLabel(QWidget* parent = nullptr);

    QString folderText() const { return m_folderText; }
    void setFolderText(const QString& text);

signals:
    void folderTextChanged(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showFitted();

    QString m_folderText;
};
