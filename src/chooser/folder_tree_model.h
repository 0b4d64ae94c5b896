// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "chooser/folder_check.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QTimer;

// The file system's folders as a tree under one top row, "/". A folder's subfolders are listed
// when the view (or the chooser) asks for them, off the window's thread and one folder at a
// time; a folder whose listing takes longer than the program's patience is shown as not
// answering, and the next folder is listed meanwhile. Nothing here waits for the file system,
// not even as it goes: a listing stuck in the kernel is left behind. A listing is sorted off the
// window's thread too, and its rows come in a few milliseconds' worth at a time, merged in one
// pass with the rows already shown, so that a folder of any size never stalls the window.
class FolderTreeModel final : public QAbstractItemModel
{
    Q_OBJECT

public:
    static constexpr int FilePathRole = Qt::UserRole + 1;

    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Qt 6.4 gives screen readers a tree's header even while it is hidden: it is named for what
    // the column holds rather than "1".
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The row of an absolute, clean path, or an invalid index while it is not in the tree.
    QModelIndex indexOf(const QString& path) const;
    // The row of an absolute, clean path that is known to be a folder, added with its
    // ancestors where their listings have not shown it yet (or never will: a hidden folder).
    QModelIndex addFolder(const QString& path);
    QString filePath(const QModelIndex& index) const;
    bool isListed(const QModelIndex& index) const;
    bool isAnswering(const QModelIndex& index) const;
    // Lists the folder again, or for the first time, unless its listing is under way.
    void list(const QModelIndex& index);
    void setShowHidden(bool show);

signals:
    // A folder's listing came and all its rows are in, or its patience ran out.
    void folderListed(const QString& path);

private:
    struct Node;
    struct Merge;
    enum class Listing { NotYet, Listed, NoAnswer };

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOfNode(const Node* node) const;
    Node* findNode(const QString& path) const;
    QString pathOf(const Node* node) const;
    static std::unique_ptr<Node> makeNode(const QString& name, Node* parent);
    static Node* findChild(const Node* parent, const QString& name);
    void listNext();
    void listingCame(std::uint64_t id, bool opened, std::vector<QString> names);
    void patienceRanOut(std::uint64_t id);
    void gaveUpOn(const QString& path);
    void showListing(Node* node);
    void showListingsBelow(Node* node);
    void mergeSome();
    bool mergeStep(Node* node, Merge& merge);
    void insertRun(Node* parent, std::size_t row, std::vector<QString>& names);
    void removeRows(Node* parent, std::size_t first, std::size_t count);
    void insertChild(Node* parent, std::unique_ptr<Node> child);

    std::unique_ptr<Node> m_root; // invisible; its one child is "/"
    bool m_showHidden = false;
    QIcon m_folderIcon;
    std::deque<QString> m_waiting;
    std::deque<QString> m_merging; // folders whose rows are still coming in, in turn
    QTimer* m_mergeTimer = nullptr;
    std::set<QString> m_inFlight; // listings started and not back, stuck ones included
    std::map<std::uint64_t, QString> m_listing; // the folder of each listing in flight
    std::uint64_t m_lastId = 0;
    std::uint64_t m_running = 0; // 0: none within its patience
};
