// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/path_completer.h"

#include "chooser/folder_tree_model.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>

QString expandHome(const QString& text)
{
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        return QDir::homePath() + text.mid(1);
    return text;
}

QString typedPath(const QString& text)
{
    QString path = expandHome(text.trimmed());
    if (path.startsWith(QLatin1String("file://")))
        path = QUrl(path).toLocalFile();
    if (!path.startsWith(QLatin1Char('/')))
        return QString();
    return QDir::cleanPath(path);
}

PathCompleter::PathCompleter(FolderTreeModel* model, std::function<bool(int key)> keyPressed,
                             QObject* parent)
    : QCompleter(model, parent), m_model(model), m_keyPressed(std::move(keyPressed))
{
    setCompletionMode(QCompleter::PopupCompletion);
    setCaseSensitivity(Qt::CaseSensitive);
}

QStringList PathCompleter::splitPath(const QString& text) const
{
    const QString path = expandHome(text);
    if (!path.startsWith(QLatin1Char('/')))
        return {path}; // matches nothing: the tree's one top row is "/"
    return QStringList{QStringLiteral("/")} + path.mid(1).split(QLatin1Char('/'));
}

QString PathCompleter::pathFromIndex(const QModelIndex& index) const
{
    return index.data(FolderTreeModel::FilePathRole).toString();
}

QString PathCompleter::folderOf(const QString& typed)
{
    return QDir::cleanPath(typed.left(typed.lastIndexOf(QLatin1Char('/')) + 1));
}

void PathCompleter::listOnTheWay(const QString& text)
{
    const QString typed = expandHome(text.trimmed());
    if (!typed.startsWith(QLatin1Char('/')))
        return;
    QModelIndex index = m_model->indexOf(QStringLiteral("/"));
    QString path = QStringLiteral("/");
    for (const QString& name : folderOf(typed).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!m_model->isListed(index))
            break;
        path = QDir::cleanPath(path + QLatin1Char('/') + name);
        index = m_model->indexOf(path);
        if (!index.isValid())
            return; // no such folder: nothing to complete
    }
    if (!m_model->isListed(index))
        m_model->list(index);
}

PathCompleter::TabCompletion PathCompleter::completeOnTab(const QString& text) const
{
    const QString typed = expandHome(text);
    if (!typed.startsWith(QLatin1Char('/')))
        return {TabCompletion::NothingToAdd, text};
    const QString partial = typed.mid(typed.lastIndexOf(QLatin1Char('/')) + 1);
    const QString path = folderOf(typed);
    const QModelIndex folder = m_model->indexOf(path);
    if (!m_model->isListed(folder)) {
        // The folders on the way are listed as the user types; if the nearest one the tree holds
        // is listed, the folder is not there.
        QString known = path;
        while (!m_model->indexOf(known).isValid())
            known = QFileInfo(known).path();
        if (known != path && m_model->isListed(m_model->indexOf(known)))
            return {TabCompletion::NothingToAdd, text};
        return {TabCompletion::FolderNotListedYet, text};
    }
    QStringList matches;
    for (int row = 0; row < m_model->rowCount(folder); ++row) {
        const QString name = m_model->index(row, 0, folder).data(Qt::EditRole).toString();
        if (name.startsWith(partial))
            matches << name;
    }
    if (matches.isEmpty())
        return {TabCompletion::NothingToAdd, text};
    QString common = matches.front();
    for (const QString& name : std::as_const(matches)) {
        int same = 0;
        while (same < common.size() && same < name.size() && common[same] == name[same])
            ++same;
        common.truncate(same);
    }
    const QString added =
        common.mid(partial.size()) + (matches.size() == 1 ? QStringLiteral("/") : QString());
    if (added.isEmpty())
        return {TabCompletion::NothingToAdd, text};
    return {TabCompletion::Completed, text + added};
}

bool PathCompleter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == popup()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier;
        if (tab || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            popup()->hide();
            if (m_keyPressed(key->key()))
                return true;
        }
    }
    return QCompleter::eventFilter(watched, event);
}
