// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/folder_tree_model.h"

#include "counting/folder_places.h"

#include <QApplication>
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
    bool added = false; // by addFolder: kept whatever the listings say
};

namespace {

// Case folded first, so that "b" comes between "A" and "C"; exact order breaks ties.
bool comesBefore(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

bool isHidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
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
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [node](const auto& sibling) { return sibling.get() == node; });
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

// Until it is listed, a folder may hold folders as far as anyone knows.
bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeOf(parent);
    return node->listing != Listing::Listed || !node->children.empty();
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
        const bool started = m_runner.run([this, id, folder = std::move(folder)] {
            return OffThreadRunner::Delivery(
                [this, id, listing = listSubfolders(folder)]() mutable {
                    listingCame(id, std::move(listing));
                });
        });
        if (!started) {
            gaveUpOn(path);
            continue;
        }
        m_running = id;
        m_listing.emplace(id, path);
        m_inFlight.insert(path);
        QTimer::singleShot(PATIENCE_MS, this, [this, id] { patienceRanOut(id); });
    }
}

// Comes whenever the listing ends, within the patience or long after it.
void FolderTreeModel::listingCame(std::uint64_t id, SubfolderListing listing)
{
    const auto it = m_listing.find(id);
    if (it == m_listing.end())
        return;
    const QString path = it->second;
    m_listing.erase(it);
    m_inFlight.erase(path);
    if (Node* node = findNode(path)) {
        node->listed.clear();
        if (listing.opened) {
            for (const std::string& name : listing.names)
                node->listed.push_back(QFile::decodeName(QByteArray::fromStdString(name)));
            std::sort(node->listed.begin(), node->listed.end(), comesBefore);
        }
        node->listing = Listing::Listed;
        showListing(node);
        const QModelIndex index = indexOfNode(node);
        emit dataChanged(index, index);
    }
    if (m_running == id) {
        m_running = 0;
        listNext();
    }
    emit folderListed(path);
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
// in their place in the order. A folder the chooser was sent to stays.
void FolderTreeModel::showListing(Node* node)
{
    std::vector<QString> wanted;
    for (const QString& name : node->listed) {
        if (m_showHidden || !isHidden(name))
            wanted.push_back(name);
    }
    const QModelIndex parent = indexOfNode(node);
    for (int row = int(node->children.size()) - 1; row >= 0; --row) {
        const Node* child = node->children[std::size_t(row)].get();
        if (child->added ||
            std::binary_search(wanted.begin(), wanted.end(), child->name, comesBefore))
            continue;
        beginRemoveRows(parent, row, row);
        node->children.erase(node->children.begin() + row);
        endRemoveRows();
    }
    if (node->children.empty() && !wanted.empty()) {
        beginInsertRows(parent, 0, int(wanted.size()) - 1);
        for (const QString& name : wanted)
            node->children.push_back(makeNode(name, node));
        endInsertRows();
        return;
    }
    for (const QString& name : wanted) {
        if (!findChild(node, name))
            insertChild(node, makeNode(name, node));
    }
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
    for (const auto& child : parent->children) {
        if (child->name == name)
            return child.get();
    }
    return nullptr;
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
