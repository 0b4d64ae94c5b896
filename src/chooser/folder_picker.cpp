// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_picker.h"

#include "chooser/chooser_workers.h"
#include "chooser/folder_check.h"
#include "chooser/folder_places.h"
#include "chooser/folder_tree_model.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>
#include <sys/stat.h>

namespace {

// The size the chooser asks for where the screen has the room.
constexpr QSize PREFERRED_SIZE{600, 520};
constexpr int PLACE_PATH_ROLE = Qt::UserRole;

// "~" and "~/..." stand for the home folder.
QString expandHome(const QString& text)
{
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        return QDir::homePath() + text.mid(1);
    return text;
}

// An absolute, clean path with no trailing slash but for "/"; empty when the text is none. A
// relative path is none, whatever the program's working folder holds. A file URL, as a file
// manager copies it, is its path.
QString typedPath(const QString& text)
{
    QString path = expandHome(text.trimmed());
    if (path.startsWith(QLatin1String("file://")))
        path = QUrl(path).toLocalFile();
    if (!path.startsWith(QLatin1Char('/')))
        return QString();
    return QDir::cleanPath(path);
}

} // namespace

// Completes folder names from the chooser's own tree, one folder level at a time; knows "~" as
// the home folder. Return and Tab while the suggestions show go where they go in the field.
class PathCompleter final : public QCompleter
{
public:
    // `keyPressed` is given Return and Tab, and says whether it took them.
    PathCompleter(QAbstractItemModel* model, std::function<bool(int key)> keyPressed,
                  QObject* parent)
        : QCompleter(model, parent), m_keyPressed(std::move(keyPressed))
    {
    }

    QStringList splitPath(const QString& text) const override
    {
        const QString path = expandHome(text);
        if (!path.startsWith(QLatin1Char('/')))
            return {path}; // matches nothing: the tree's one top row is "/"
        return QStringList{QStringLiteral("/")} + path.mid(1).split(QLatin1Char('/'));
    }

    QString pathFromIndex(const QModelIndex& index) const override
    {
        return index.data(FolderTreeModel::FilePathRole).toString();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
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

private:
    std::function<bool(int key)> m_keyPressed;
};

// Qt 6.4 gives screen readers a widget's hidden children too: the chooser's line that says why a
// path cannot be chosen, hidden while there is nothing to say, is left out while it is hidden.
class ChooserAccessible final : public QAccessibleWidget
{
public:
    explicit ChooserAccessible(QWidget* dialog) : QAccessibleWidget(dialog, QAccessible::Dialog) {}

    static QAccessibleInterface* factory(const QString& className, QObject* object)
    {
        if (className == QLatin1String("FolderPickerDialog") && object->isWidgetType())
            return new ChooserAccessible(static_cast<QWidget*>(object));
        return nullptr;
    }

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return int(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> children;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden())
                children << child;
        }
        return children;
    }
};

QString BrowseForFolder(QWidget* owner, const QString& prompt, const QString& currentFolder)
{
    FolderPickerDialog dialog(prompt, currentFolder, owner);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFolder();
}

FolderPickerDialog::FolderPickerDialog(const QString& prompt, const QString& startFolder,
                                       QWidget* owner)
    : QDialog(owner), m_check(std::make_unique<FolderCheck>())
{
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(ChooserAccessible::factory);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);
    setWindowTitle(QStringLiteral("Browse for Folder"));
    setModal(true);
    createControls(prompt);
    nameForAccessibility();
    fitScreen(owner);
    setState(State::None);
    readPlaces();
    openOn(startFolder);
}

FolderPickerDialog::~FolderPickerDialog() = default;

void FolderPickerDialog::createControls(const QString& prompt)
{
    m_prompt = new QLabel(prompt, this);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);

    m_model = new FolderTreeModel(this);
    connect(m_model, &FolderTreeModel::folderListed, this, &FolderPickerDialog::folderListed);
    // Listings fill in the tree as they come, which moves the rows below them: the folder the
    // chooser opened on is scrolled back into view each time.
    m_rescroll = new QTimer(this);
    m_rescroll->setSingleShot(true);
    m_rescroll->setInterval(0);
    connect(m_rescroll, &QTimer::timeout, this, &FolderPickerDialog::keepTargetInView);
    connect(m_model, &FolderTreeModel::rowsInserted, this, [this] {
        if (!m_target.isEmpty())
            m_rescroll->start();
    });

    m_pathField = new QLineEdit(this);
    m_pathField->setPlaceholderText(QStringLiteral("Type a folder's path, or choose it below"));
    m_pathField->setClearButtonEnabled(true);
    m_completer = new PathCompleter(
        m_model,
        [this](int key) {
            if (key == Qt::Key_Tab)
                return completeOnTab();
            goToTypedPath();
            return true;
        },
        m_pathField);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setCaseSensitivity(Qt::CaseSensitive);
    m_pathField->setCompleter(m_completer);
    m_pathField->installEventFilter(this);
    connect(m_pathField, &QLineEdit::textEdited, this, &FolderPickerDialog::pathEdited);

    m_pathProblem = new QLabel(this);
    m_pathProblem->setTextFormat(Qt::PlainText);
    m_pathProblem->setWordWrap(true);

    m_places = new QListWidget(this);
    connect(m_places, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { goToPlace(item->data(PLACE_PATH_ROLE).toString()); });
    connect(m_places, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { goToPlace(item->data(PLACE_PATH_ROLE).toString()); });

    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderPickerDialog::treeSelectionChanged);
    // A folder opened again is listed again: it may have changed since.
    connect(m_tree, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_model->isListed(index))
            m_model->list(index);
    });

    m_showHidden = new QCheckBox(QStringLiteral("Show &hidden folders"), this);
    connect(m_showHidden, &QCheckBox::toggled, m_model, &FolderTreeModel::setShowHidden);
    auto* toggleHidden = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(toggleHidden, &QShortcut::activated, m_showHidden, &QCheckBox::toggle);
    auto* toPathField = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(toPathField, &QShortcut::activated, this, [this] {
        m_pathField->setFocus(Qt::ShortcutFocusReason);
        m_pathField->selectAll();
    });

    m_newFolder = new QPushButton(QStringLiteral("&New Folder"), this);
    m_newFolder->setToolTip(QStringLiteral("Make a folder in the selected one (Ctrl+Shift+N)"));
    connect(m_newFolder, &QPushButton::clicked, this, &FolderPickerDialog::newFolder);
    // GNOME's file manager's key, and KDE's.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), QKeySequence(Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &FolderPickerDialog::newFolder);
    }

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &FolderPickerDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &FolderPickerDialog::reject);

    // "/", "~" and Ctrl+V start a path wherever the focus is.
    for (QWidget* widget : std::initializer_list<QWidget*>{m_tree, m_places, m_showHidden})
        widget->installEventFilter(this);
    for (QAbstractButton* button : m_buttons->buttons())
        button->installEventFilter(this);

    // Side by side in a plain layout: a splitter's handles come to screen readers as unnamed
    // items, one of them always hidden.
    auto* lists = new QHBoxLayout;
    m_places->setMaximumWidth(200);
    lists->addWidget(m_places, 1);
    lists->addWidget(m_tree, 3);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_newFolder);
    bottom->addWidget(m_showHidden);
    bottom->addStretch();
    bottom->addWidget(m_buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_pathField);
    layout->addWidget(m_pathProblem);
    layout->addLayout(lists, 1);
    layout->addLayout(bottom);
}

void FolderPickerDialog::nameForAccessibility()
{
    m_pathField->setAccessibleName(QStringLiteral("Folder path"));
    m_tree->setAccessibleName(QStringLiteral("Folders"));
    m_places->setAccessibleName(QStringLiteral("Places"));
    m_pathProblem->setAccessibleName(QStringLiteral("Why this path cannot be chosen"));
    // The field's clear button is a tool button of its own, made by the field.
    for (QToolButton* button : m_pathField->findChildren<QToolButton*>()) {
        button->setAccessibleName(QStringLiteral("Clear path"));
        button->setToolTip(QStringLiteral("Clear path"));
    }
}

// As large as asked where the screen has the room, smaller where it has not, so that the
// buttons stay on the screen at any scale.
void FolderPickerDialog::fitScreen(QWidget* owner)
{
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    QSize size = PREFERRED_SIZE;
    if (screen) {
        const QSize room = screen->availableGeometry().size();
        // The frame the window manager adds comes out of the room too.
        size = size.boundedTo(QSize(room.width() * 9 / 10, room.height() * 17 / 20));
    }
    resize(size);
}

// The slot's folder when it is one, else home. The check runs off the window's thread: the
// slot's folder may lie on a network share that no longer answers.
void FolderPickerDialog::openOn(const QString& startFolder)
{
    const QString start = typedPath(startFolder);
    if (start.isEmpty()) {
        selectFolder(QDir::homePath());
        return;
    }
    m_check->check(start, [this, start](FolderVerdict verdict) {
        selectFolder(verdict == FolderVerdict::Folder ? start : QDir::homePath());
    });
}

// Home at once; the rest as it is read, off the window's thread: the home folder itself may lie
// on a share that does not answer.
void FolderPickerDialog::readPlaces()
{
    addPlace({QStringLiteral("Home"), QDir::homePath()});
    chooserWorkers().run(this, [this] {
        return OffThreadRunner::Delivery([this, places = ::readPlaces()] {
            for (const Place& place : places)
                addPlace(place);
        });
    });
}

void FolderPickerDialog::addPlace(const Place& place)
{
    auto* item =
        new QListWidgetItem(style()->standardIcon(QStyle::SP_DirIcon), place.name, m_places);
    item->setData(PLACE_PATH_ROLE, place.path);
    item->setToolTip(place.path);
    item->setData(Qt::AccessibleDescriptionRole, place.path);
}

QString FolderPickerDialog::selectedFolder() const
{
    if (m_state == State::Folder || m_state == State::NoAnswer)
        return m_candidate;
    return QString();
}

// The folder is shown as the one the user is in: at the top of the tree, opened, and only the
// folders on the way to it opened with it.
void FolderPickerDialog::selectFolder(const QString& path)
{
    const QModelIndex index = m_model->addFolder(path);
    if (!index.isValid())
        return;
    m_target = m_model->filePath(index);
    m_tree->collapseAll();
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        if (!m_model->isListed(ancestor))
            m_model->list(ancestor);
        m_tree->expand(ancestor);
    }
    m_tree->expand(index);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtTop);
    m_tree->setFocus();
}

void FolderPickerDialog::keepTargetInView()
{
    const QModelIndex current = m_tree->currentIndex();
    if (m_target.isEmpty() || !current.isValid() || m_model->filePath(current) != m_target) {
        m_target.clear(); // the user has moved on
        return;
    }
    m_tree->scrollTo(current, QAbstractItemView::PositionAtTop);
}

void FolderPickerDialog::newFolder()
{
    const QString parent = m_model->filePath(m_tree->currentIndex());
    if (parent.isEmpty())
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("New Folder"),
                              QStringLiteral("Name of the new folder in %1:").arg(parent),
                              QLineEdit::Normal, QStringLiteral("New Folder"), &ok);
    if (ok)
        createFolder(name.trimmed());
}

void FolderPickerDialog::createFolder(const QString& name)
{
    const QString parent = m_model->filePath(m_tree->currentIndex());
    if (parent.isEmpty() || name.isEmpty())
        return;
    const QString path = QDir(parent).filePath(name);
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        QMessageBox::warning(
            this, QStringLiteral("New Folder"),
            QStringLiteral("\u201c%1\u201d cannot be a folder's name: a name holds "
                           "no \u201c/\u201d and is not \u201c.\u201d or "
                           "\u201c..\u201d.")
                .arg(name));
        return;
    }
    // The parent may lie on a share that does not answer: then no answer ever comes.
    chooserWorkers().run(this, [this, folder = QFile::encodeName(path).toStdString()] {
        const int error = ::mkdir(folder.c_str(), 0777) == 0 ? 0 : errno;
        return OffThreadRunner::Delivery([this, folder, error] {
            folderCreated(QFile::decodeName(QByteArray::fromStdString(folder)), error);
        });
    });
}

void FolderPickerDialog::folderCreated(const QString& path, int error)
{
    if (error != 0) {
        const QFileInfo made(path);
        QMessageBox::warning(
            this, QStringLiteral("New Folder"),
            QStringLiteral("The folder \u201c%1\u201d could not be made in %2: %3.")
                .arg(made.fileName(), made.path(), qt_error_string(error)));
        return;
    }
    selectFolder(path);
    m_model->list(m_model->indexOf(QFileInfo(path).path()));
}

// A folder the tree shows is a folder as far as anyone can tell without asking again.
void FolderPickerDialog::treeSelectionChanged()
{
    const QModelIndex current = m_tree->currentIndex();
    m_acceptWhenChecked = false;
    if (!current.isValid()) {
        m_candidate.clear();
        m_pathField->clear();
        setState(State::None);
        return;
    }
    const QString path = m_model->filePath(current);
    const bool knownNotAnswering = path == m_candidate && m_state == State::NoAnswer;
    m_candidate = path;
    m_pathField->setText(m_candidate);
    if (knownNotAnswering || !m_model->isAnswering(current))
        setState(State::NoAnswer,
                 QStringLiteral("This folder does not answer now; it is watched once it does."));
    else
        setState(State::Folder);
}

void FolderPickerDialog::pathEdited(const QString& text)
{
    m_target.clear();
    m_acceptWhenChecked = false;
    m_selectWhenChecked = false;
    m_completing = true;
    listForCompletion();
    m_candidate = typedPath(text);
    if (m_candidate.isEmpty()) {
        setState(State::NotAFolder,
                 text.trimmed().isEmpty()
                     ? QString()
                     : QStringLiteral("Type a full path, starting with / or ~."));
        return;
    }
    checkCandidate();
}

// Completion offers what the tree holds: the folders on the way to the typed one are listed,
// one after the other, each once the one before has answered.
void FolderPickerDialog::listForCompletion()
{
    const QString typed = expandHome(m_pathField->text().trimmed());
    if (!typed.startsWith(QLatin1Char('/')))
        return;
    const QString folder = QDir::cleanPath(typed.left(typed.lastIndexOf(QLatin1Char('/')) + 1));
    QModelIndex index = m_model->indexOf(QStringLiteral("/"));
    QString path = QStringLiteral("/");
    for (const QString& name : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
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

void FolderPickerDialog::folderListed(const QString& path)
{
    if (!m_completing || !m_pathField->hasFocus())
        return;
    if (std::exchange(m_completeOnListing, false) && !completeOnTab())
        focusNextChild();
    listForCompletion();
    const QString typed = expandHome(m_pathField->text().trimmed());
    const QString folder = QDir::cleanPath(typed.left(typed.lastIndexOf(QLatin1Char('/')) + 1));
    if (folder == path && typed.startsWith(QLatin1Char('/'))) {
        m_completer->setCompletionPrefix(m_pathField->text());
        m_completer->complete();
    }
}

// Tab completes the name being typed as far as the folder's subfolders agree, a unique one with
// a slash after it, as GTK's chooser does; a second Tab, or one with nothing to add, moves on.
// False when the Tab is for moving on.
bool FolderPickerDialog::completeOnTab()
{
    const QString text = m_pathField->text();
    const QString typed = expandHome(text);
    if (text == std::exchange(m_tabCompleted, QString()) || !typed.startsWith(QLatin1Char('/')))
        return false;
    const int slash = int(typed.lastIndexOf(QLatin1Char('/')));
    const QString partial = typed.mid(slash + 1);
    const QString path = QDir::cleanPath(typed.left(slash + 1));
    const QModelIndex folder = m_model->indexOf(path);
    if (!m_model->isListed(folder)) {
        // The folders on the way are listed as the user types; if the nearest one the tree holds
        // is listed, the folder is not there.
        QString known = path;
        while (!m_model->indexOf(known).isValid())
            known = QFileInfo(known).path();
        if (known != path && m_model->isListed(m_model->indexOf(known)))
            return false;
        m_completeOnListing = true;
        return true;
    }
    QStringList matches;
    for (int row = 0; row < m_model->rowCount(folder); ++row) {
        const QString name = m_model->index(row, 0, folder).data(Qt::EditRole).toString();
        if (name.startsWith(partial))
            matches << name;
    }
    if (matches.isEmpty())
        return false;
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
        return false;
    m_pathField->setText(text + added);
    pathEdited(m_pathField->text());
    m_tabCompleted = m_pathField->text();
    return true;
}

void FolderPickerDialog::goToTypedPath()
{
    if (typedPath(m_pathField->text()) != m_candidate || m_state == State::None)
        pathEdited(m_pathField->text()); // set by a suggestion rather than typed
    m_completing = false;
    m_completer->popup()->hide();
    if (m_state == State::Folder || m_state == State::NoAnswer)
        selectFolder(m_candidate);
    else if (m_state == State::Checking)
        m_selectWhenChecked = true;
}

void FolderPickerDialog::goToPlace(const QString& path)
{
    m_pathField->setText(path);
    pathEdited(path);
    goToTypedPath();
}

void FolderPickerDialog::checkCandidate()
{
    setState(State::Checking);
    const QString path = m_candidate;
    m_check->check(path, [this, path](FolderVerdict verdict) { verdictCame(path, verdict); });
}

void FolderPickerDialog::verdictCame(const QString& path, FolderVerdict verdict)
{
    if (path != m_candidate || m_state != State::Checking)
        return; // the user has moved on
    switch (verdict) {
    case FolderVerdict::Folder:
        setState(State::Folder);
        break;
    case FolderVerdict::NoAnswer:
        setState(State::NoAnswer,
                 QStringLiteral("This folder does not answer now; it is watched once it does."));
        break;
    case FolderVerdict::Missing:
        setState(State::NotAFolder, QStringLiteral("There is no folder at this path."));
        break;
    case FolderVerdict::NotAFolder:
        setState(State::NotAFolder, QStringLiteral("This is a file, not a folder."));
        break;
    }
    const bool choosable = m_state == State::Folder || m_state == State::NoAnswer;
    if (std::exchange(m_selectWhenChecked, false) && choosable)
        selectFolder(m_candidate);
    if (std::exchange(m_acceptWhenChecked, false) && choosable)
        QDialog::accept();
}

// OK stays enabled while a typed path is being checked, so that a click straight after typing
// is not lost: it takes the path once the check says it is a folder. A new reason why OK is
// disabled is announced to screen readers as it shows.
void FolderPickerDialog::setState(State state, const QString& problem)
{
    m_state = state;
    const bool news = !problem.isEmpty() && problem != m_pathProblem->text();
    m_pathProblem->setText(problem);
    m_pathProblem->setHidden(problem.isEmpty());
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(state == State::Folder || state == State::NoAnswer ||
                     state == State::Checking);
    if (news) {
        QAccessibleEvent alert(m_pathProblem, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

// OK asks once more, off the window's thread: the folder may have gone while the chooser was
// open. A folder that does not answer is taken: the poll skips it until it answers.
void FolderPickerDialog::accept()
{
    if (m_candidate.isEmpty() || m_state == State::NotAFolder || m_state == State::None)
        return;
    m_acceptWhenChecked = true;
    if (m_state != State::Checking)
        checkCandidate();
}

// "/" or "~" typed outside the path field starts a path there, as in GTK's chooser; Ctrl+V in
// the tree pastes into it.
bool FolderPickerDialog::startPathFromKey(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_tree && key->matches(QKeySequence::Paste)) {
        m_pathField->setFocus(Qt::ShortcutFocusReason);
        m_pathField->selectAll();
        m_pathField->paste();
        if (typedPath(m_pathField->text()) != m_candidate)
            pathEdited(m_pathField->text());
        return true;
    }
    const QString text = key->text();
    if (text != QLatin1String("/") && text != QLatin1String("~"))
        return false;
    m_pathField->setFocus(Qt::ShortcutFocusReason);
    m_pathField->clear();
    QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), text);
    QCoreApplication::sendEvent(m_pathField, &typed);
    return true;
}

// Return in the path field goes to the typed folder instead of closing the chooser; Tab
// completes the name typed.
bool FolderPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pathField && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            goToTypedPath();
            return true;
        }
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier)
            return completeOnTab();
    } else if (startPathFromKey(watched, event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
