// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QCompleter>

#include <functional>

class FolderTreeModel;

// "~" and "~/..." stand for the home folder.
QString expandHome(const QString& text);
// An absolute, clean path with no trailing slash but for "/"; empty when the text is none. A
// relative path is none, whatever the program's working folder holds. A file URL, as a file
// manager copies it, is its path.
QString typedPath(const QString& text);

// Completes folder names from the chooser's own tree, one folder level at a time; knows "~" as
// the home folder. Return and Tab while the suggestions show go where they go in the field.
class PathCompleter final : public QCompleter
{
public:
    // `keyPressed` is given Return and Tab, and says whether it took them.
    PathCompleter(FolderTreeModel* model, std::function<bool(int key)> keyPressed, QObject* parent);

    QStringList splitPath(const QString& text) const override;
    QString pathFromIndex(const QModelIndex& index) const override;

    // The folder whose subfolders complete the typed text: the text up to its last slash.
    static QString folderOf(const QString& typed);
    // Lists the folders on the way to the one the text is in, one after the other, each once
    // the one before has answered: completion offers what the tree holds.
    void listOnTheWay(const QString& text);

    // What Tab makes of the text: the name after its last slash completed as far as the
    // folder's subfolders agree, a unique one with a slash after it, as in GTK's chooser.
    struct TabCompletion
    {
        enum { Completed, NothingToAdd, FolderNotListedYet } outcome;
        QString text;
    };
    TabCompletion completeOnTab(const QString& text) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FolderTreeModel* m_model;
    std::function<bool(int key)> m_keyPressed;
};
