// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_tree_model.h"

#include "chooser/chooser_workers.h"
#include "chooser/folder_places.h"

#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <QFile>
#include <QPalette>
#include <QStyle>
#include <QTimer>

#include <algorithm>

struct FolderTreeModel::Node
{
    QString name;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children; // shown, in name order
    std::vector<QString> listed;                 // what the last listing found, hidden ones too
    Listing listing = Listing::NotYet;
    bool added = false;           // by addFolder: kept whatever the listings say
    std::unique_ptr<Merge> merge; // while the last listing's rows are still coming in
};

// The rows before `row` are merged: each is a name of the node's `listed[0, next)` or a folder
// added; from `row` on are the rows of before, in the same order.
struct FolderTreeModel::Merge
{
    std::size_t next = 0;
    std::size_t row = 0;
};

namespace {

// The user's locale's order, numbers in names by their value: "file9" before "file10", "Éclair"
// beside "E". Exact order breaks ties, so that each name has one place. Qt collates the C
// locale (also C.UTF-8) by code point, numbers and all: there, names sort as in English. One
// collator a thread: listings are sorted off the window's thread.
bool comesBefore(const QString& a, const QString& b)
{
    thread_local const QCollator collator = [] {
        QLocale locale = QLocale::system().collation();
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English);
        QCollator made(locale);
        made.setNumericMode(true);
        return made;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool isHidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

// The rows of one step of a merge are what the window can take in well under a frame.
constexpr qint64 MERGE_STEP_NS = 4'000'000;
constexpr std::size_t MERGE_STEP_NAMES = 128; // between looks at the clock

struct SortedListing
{
    bool opened = false;
    std::vector<QString> names; // in the tree's order
};

// Runs off the window's thread: the sort of a large folder takes longer than a frame.
SortedListing sortedSubfolders(const std::string& folder)
{
    SubfolderListing listing = listSubfolders(folder);
    SortedListing sorted{listing.opened, {}};
    sorted.names.reserve(listing.names.size());
    for (const std::string& name : listing.names)
        sorted.names.push_back(QFile::decodeName(QByteArray::fromStdString(name)));
    std::sort(sorted.names.begin(), sorted.names.end(), comesBefore);
    return sorted;
}

} // namespace

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
    m_folderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    auto top = makeNode(QStringLiteral("/"), m_root.get());
    top->added = true;
    m_root->children.push_back(std::move(top));
    m_root->listing = Listing::Listed;
    m_mergeTimer = new QTimer(this);
    m_mergeTimer->setSingleShot(true);
    m_mergeTimer->setInterval(0);
    connect(m_mergeTimer, &QTimer::timeout, this, &FolderTreeModel::mergeSome);
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex FolderTreeModel::indexOfNode(const Node* node) const
{
    if (!node || node == m_root.get())
        return QModelIndex();
    const auto& siblings = node->parent->children;
    const auto it = std::lower_bound(
        siblings.begin(), siblings.end(), node->name,
        [](const auto& sibling, const QString& name) { return comesBefore(sibling->name, name); });
    return createIndex(int(it - siblings.begin()), 0, const_cast<Node*>(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    if (column != 0 || row < 0 || row >= int(node->children.size()))
        return QModelIndex();
    return createIndex(row, 0, node->children[std::size_t(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    return child.isValid() ? indexOfNode(nodeOf(child)->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    return int(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Node* node = nodeOf(index);
    const bool answering = node->listing != Listing::NoAnswer;
    switch (role) {
    case Qt::DisplayRole:
        return answering ? node->name : node->name + QStringLiteral(" (not answering)");
    case Qt::EditRole:
        return node->name;
    case Qt::DecorationRole:
        return m_folderIcon;
    case Qt::ForegroundRole:
        if (!answering)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    case Qt::ToolTipRole:
        if (!answering)
            return QStringLiteral("This folder does not answer now. It can still be chosen.");
        return QVariant();
    case FilePathRole:
        return pathOf(node);
    default:
        return QVariant();
    }
}

QVariant FolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return QStringLiteral("Folders");
    return QVariant();
}

// Until it is listed, a folder may hold folders as far as anyone knows.
bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    return node->listing != Listing::Listed || !node->children.empty() || node->merge;
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    return parent.isValid() && node->listing != Listing::Listed &&
           !m_inFlight.contains(pathOf(node));
}

void FolderTreeModel::fetchMore(const QModelIndex& parent)
{
    if (canFetchMore(parent))
        list(parent);
}

QString FolderTreeModel::pathOf(const Node* node) const
{
    if (node == m_root.get())
        return QString();
    if (node->parent == m_root.get())
        return node->name;
    const QString parentPath = pathOf(node->parent);
    return parentPath.endsWith(QLatin1Char('/')) ? parentPath + node->name
                                                 : parentPath + QLatin1Char('/') + node->name;
}

QString FolderTreeModel::filePath(const QModelIndex& index) const
{
    return index.isValid() ? pathOf(nodeOf(index)) : QString();
}

FolderTreeModel::Node* FolderTreeModel::findNode(const QString& path) const
{
    if (!path.startsWith(QLatin1Char('/')))
        return nullptr;
    Node* node = m_root->children.front().get();
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        node = findChild(node, name);
        if (!node)
            return nullptr;
    }
    return node;
}

QModelIndex FolderTreeModel::indexOf(const QString& path) const
{
    return indexOfNode(findNode(path));
}

QModelIndex FolderTreeModel::addFolder(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return QModelIndex();
    Node* node = m_root->children.front().get();
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        Node* child = findChild(node, name);
        if (!child) {
            auto made = makeNode(name, node);
            child = made.get();
            insertChild(node, std::move(made));
        }
        child->added = true;
        node = child;
    }
    return indexOfNode(node);
}

bool FolderTreeModel::isListed(const QModelIndex& index) const
{
    return index.isValid() && nodeOf(index)->listing == Listing::Listed;
}

bool FolderTreeModel::isAnswering(const QModelIndex& index) const
{
    return !index.isValid() || nodeOf(index)->listing != Listing::NoAnswer;
}

void FolderTreeModel::list(const QModelIndex& index)
{
    const QString path = filePath(index);
    if (path.isEmpty() || m_inFlight.contains(path))
        return;
    if (std::find(m_waiting.begin(), m_waiting.end(), path) == m_waiting.end())
        m_waiting.push_back(path);
    listNext();
}

// One listing at a time: a folder that hangs is given the patience, then left behind.
void FolderTreeModel::listNext()
{
    while (m_running == 0 && !m_waiting.empty()) {
        const QString path = m_waiting.front();
        m_waiting.pop_front();
        if (m_inFlight.contains(path) || !findNode(path))
            continue;
        const std::uint64_t id = ++m_lastId;
        const QByteArray encoded = QFile::encodeName(path);
        std::string folder(encoded.constData(), std::size_t(encoded.size()));
        const bool started = chooserWorkers().run(this, [this, id, folder = std::move(folder)] {
            return OffThreadRunner::Delivery(
                [this, id, listing = sortedSubfolders(folder)]() mutable {
                    listingCame(id, listing.opened, std::move(listing.names));
                });
        });
        if (!started) {
            gaveUpOn(path);
            continue;
        }
        m_running = id;
        m_listing.emplace(id, path);
        m_inFlight.insert(path);
        QTimer::singleShot(FILE_SYSTEM_PATIENCE_MS, this, [this, id] { patienceRanOut(id); });
    }
}

// Comes whenever the listing ends, within the patience or long after it.
void FolderTreeModel::listingCame(std::uint64_t id, bool opened, std::vector<QString> names)
{
    const auto it = m_listing.find(id);
    if (it == m_listing.end())
        return;
    const QString path = it->second;
    m_listing.erase(it);
    m_inFlight.erase(path);
    if (Node* node = findNode(path)) {
        node->listed = opened ? std::move(names) : std::vector<QString>();
        node->listing = Listing::Listed;
        const QModelIndex index = indexOfNode(node);
        emit dataChanged(index, index);
        showListing(node);
    } else {
        emit folderListed(path);
    }
    if (m_running == id) {
        m_running = 0;
        listNext();
    }
}

void FolderTreeModel::patienceRanOut(std::uint64_t id)
{
    if (m_running != id)
        return;
    m_running = 0;
    gaveUpOn(m_listing.at(id));
    listNext();
}

void FolderTreeModel::gaveUpOn(const QString& path)
{
    if (Node* node = findNode(path); node && node->listing != Listing::Listed) {
        node->listing = Listing::NoAnswer;
        const QModelIndex index = indexOfNode(node);
        emit dataChanged(index, index);
    }
    emit folderListed(path);
}

// The rows follow what the folder's listing found: folders gone are dropped, new ones come
// in their place in the order. A folder the chooser was sent to stays. The rows come in steps
// from the event loop.
void FolderTreeModel::showListing(Node* node)
{
    node->merge = std::make_unique<Merge>();
    const QString path = pathOf(node);
    std::erase(m_merging, path);
    m_merging.push_front(path);
    m_mergeTimer->start();
}

// Merges rows for a few milliseconds, then lets the window have its turn.
void FolderTreeModel::mergeSome()
{
    QElapsedTimer spent;
    spent.start();
    while (!m_merging.empty() && spent.nsecsElapsed() < MERGE_STEP_NS) {
        const QString path = m_merging.front();
        Node* node = findNode(path);
        if (node && node->merge && !mergeStep(node, *node->merge))
            continue;
        m_merging.pop_front();
        if (node && node->merge) {
            node->merge.reset();
            emit folderListed(path);
        }
    }
    if (!m_merging.empty())
        m_mergeTimer->start();
}

// One step of one folder's merge: a single pass over the listing and the rows, each new name
// compared with the next row only. New rows go in by runs, one insertion each. False while there
// is more to do.
bool FolderTreeModel::mergeStep(Node* node, Merge& merge)
{
    auto& children = node->children;
    std::vector<QString> run; // new rows, to go in at merge.row
    const std::vector<QString>& listed = node->listed;
    const std::size_t end = std::min(listed.size(), merge.next + MERGE_STEP_NAMES);
    for (; merge.next < end; ++merge.next) {
        const QString& name = listed[merge.next];
        if (!m_showHidden && isHidden(name))
            continue;
        // Rows ahead of the name are gone from the folder, but for folders added.
        while (merge.row < children.size() && comesBefore(children[merge.row]->name, name)) {
            insertRun(node, merge.row, run);
            std::size_t gone = 0;
            while (merge.row + gone < children.size() && !children[merge.row + gone]->added &&
                   comesBefore(children[merge.row + gone]->name, name))
                ++gone;
            removeRows(node, merge.row, gone);
            if (gone == 0)
                ++merge.row;
        }
        if (merge.row < children.size() && children[merge.row]->name == name) {
            insertRun(node, merge.row, run);
            ++merge.row; // shown already
        } else {
            run.push_back(name);
        }
    }
    insertRun(node, merge.row, run);
    if (merge.next < listed.size())
        return false;
    while (merge.row < children.size()) {
        std::size_t gone = 0;
        while (merge.row + gone < children.size() && !children[merge.row + gone]->added)
            ++gone;
        removeRows(node, merge.row, gone);
        if (gone == 0)
            ++merge.row;
    }
    return true;
}

std::unique_ptr<FolderTreeModel::Node> FolderTreeModel::makeNode(const QString& name, Node* parent)
{
    auto node = std::make_unique<Node>();
    node->name = name;
    node->parent = parent;
    return node;
}

FolderTreeModel::Node* FolderTreeModel::findChild(const Node* parent, const QString& name)
{
    const auto& children = parent->children;
    const auto it = std::lower_bound(
        children.begin(), children.end(), name,
        [](const auto& child, const QString& wanted) { return comesBefore(child->name, wanted); });
    return it != children.end() && (*it)->name == name ? it->get() : nullptr;
}

// Inserts the names as rows from `row` on, and empties them.
void FolderTreeModel::insertRun(Node* parent, std::size_t row, std::vector<QString>& names)
{
    if (names.empty())
        return;
    std::vector<std::unique_ptr<Node>> made;
    made.reserve(names.size());
    for (const QString& name : names)
        made.push_back(makeNode(name, parent));
    auto& children = parent->children;
    beginInsertRows(indexOfNode(parent), int(row), int(row + names.size()) - 1);
    children.insert(children.begin() + std::ptrdiff_t(row), std::make_move_iterator(made.begin()),
                    std::make_move_iterator(made.end()));
    endInsertRows();
    if (parent->merge)
        parent->merge->row += names.size();
    names.clear();
}

void FolderTreeModel::removeRows(Node* parent, std::size_t first, std::size_t count)
{
    if (count == 0)
        return;
    auto& children = parent->children;
    beginRemoveRows(indexOfNode(parent), int(first), int(first + count) - 1);
    children.erase(children.begin() + std::ptrdiff_t(first),
                   children.begin() + std::ptrdiff_t(first + count));
    endRemoveRows();
}

void FolderTreeModel::insertChild(Node* parent, std::unique_ptr<Node> child)
{
    auto& children = parent->children;
    const auto at = std::lower_bound(
        children.begin(), children.end(), child->name,
        [](const auto& sibling, const QString& name) { return comesBefore(sibling->name, name); });
    const int row = int(at - children.begin());
    beginInsertRows(indexOfNode(parent), row, row);
    children.insert(at, std::move(child));
    endInsertRows();
    // A folder added while the rows are coming in is one of the merged rows, or ahead of them.
    if (parent->merge && std::size_t(row) < parent->merge->row)
        ++parent->merge->row;
}

void FolderTreeModel::setShowHidden(bool show)
{
    if (show == m_showHidden)
        return;
    m_showHidden = show;
    showListingsBelow(m_root->children.front().get());
}

void FolderTreeModel::showListingsBelow(Node* node)
{
    if (node->listing == Listing::Listed)
        showListing(node);
    for (const auto& child : node->children)
        showListingsBelow(child.get());
}
