// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_picker.h"

#include "chooser/chooser_accessible.h"
#include "chooser/chooser_workers.h"
#include "chooser/folder_check.h"
#include "chooser/folder_places.h"
#include "chooser/folder_tree_model.h"
#include "chooser/new_folder.h"
#include "chooser/path_completer.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleHints>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The size the chooser asks for where the screen has the room.
constexpr QSize PREFERRED_SIZE{600, 520};
constexpr int PLACE_PATH_ROLE = Qt::UserRole;

} // namespace

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
    installChooserAccessibility();
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
    m_pathField->setCompleter(m_completer);
    m_pathField->installEventFilter(this);
    connect(m_pathField, &QLineEdit::textEdited, this, &FolderPickerDialog::pathEdited);
    // Qt's own measure of keys typed one after the other, as for a list's search as you type.
    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    connect(m_typing, &QTimer::timeout, this, &FolderPickerDialog::showProblem);

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
    // The selection rather than the current row: a click on the row the field cleared counts.
    connect(m_tree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
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

void FolderPickerDialog::selectFolder(const QString& path)
{
    showInTree(path, true);
}

// The folder is shown as the one the user is in: at the top of the tree, and only the folders on
// the way to it opened; it is opened too once it is known to hold folders. An empty path shows
// none. While the field moves the tree, the field stays as the user typed it.
void FolderPickerDialog::showInTree(const QString& path, bool focusTree)
{
    const QScopedValueRollback followsField(m_fieldMovesTree, !focusTree);
    const QModelIndex index = path.isEmpty() ? QModelIndex() : m_model->addFolder(path);
    if (!index.isValid()) {
        m_tree->clearSelection();
        return;
    }
    m_target = m_model->filePath(index);
    m_tree->collapseAll();
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent()) {
        if (!m_model->isListed(ancestor))
            m_model->list(ancestor);
        m_tree->expand(ancestor);
    }
    if (!m_model->isListed(index))
        m_model->list(index); // opened once listed, if it holds folders
    else if (m_model->rowCount(index) > 0)
        m_tree->expand(index);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtTop);
    if (focusTree)
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
    askForNewFolder(this, selectedFolder(), [this](const QString& path) { folderMade(path); });
}

void FolderPickerDialog::createFolder(const QString& name)
{
    makeNewFolder(this, selectedFolder(), name, [this](const QString& path) { folderMade(path); });
}

void FolderPickerDialog::folderMade(const QString& path)
{
    selectFolder(path);
    m_model->list(m_model->indexOf(QFileInfo(path).path()));
}

// A folder the tree shows is a folder as far as anyone can tell without asking again.
void FolderPickerDialog::treeSelectionChanged()
{
    if (m_fieldMovesTree)
        return;
    // The tree's current row follows only after the selection has changed.
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    const QModelIndex current = selected.isEmpty() ? QModelIndex() : selected.front();
    m_acceptWhenChecked = false;
    m_typing->stop();
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
    m_typing->start(QGuiApplication::styleHints()->keyboardInputInterval());
    m_completer->listOnTheWay(text);
    m_candidate = typedPath(text);
    showInTree(QString(), false);
    if (m_candidate.isEmpty()) {
        setState(State::NotAFolder,
                 text.trimmed().isEmpty()
                     ? QString()
                     : QStringLiteral("Type a full path, starting with / or ~."));
        return;
    }
    checkCandidate();
}

void FolderPickerDialog::folderListed(const QString& path)
{
    // Qt 6.4's tree keeps a row the user opened marked as open when it turns out to hold no
    // folders, and its first Left would seem to do nothing.
    const QModelIndex listed = m_model->indexOf(path);
    if (m_model->rowCount(listed) == 0)
        m_tree->collapse(listed);
    else if (path == m_target)
        m_tree->expand(listed);
    if (!m_completing || !m_pathField->hasFocus())
        return;
    if (std::exchange(m_completeOnListing, false) && !completeOnTab())
        focusNextChild();
    m_completer->listOnTheWay(m_pathField->text());
    const QString typed = expandHome(m_pathField->text().trimmed());
    if (PathCompleter::folderOf(typed) == path && typed.startsWith(QLatin1Char('/'))) {
        m_completer->setCompletionPrefix(m_pathField->text());
        m_completer->complete();
    }
}

// Tab completes the name being typed; a second Tab, or one with nothing to add, moves on. False
// when the Tab is for moving on.
bool FolderPickerDialog::completeOnTab()
{
    const QString text = m_pathField->text();
    if (text == std::exchange(m_tabCompleted, QString()))
        return false;
    const PathCompleter::TabCompletion tab = m_completer->completeOnTab(text);
    if (tab.outcome == PathCompleter::TabCompletion::FolderNotListedYet)
        m_completeOnListing = true;
    if (tab.outcome != PathCompleter::TabCompletion::Completed)
        return tab.outcome == PathCompleter::TabCompletion::FolderNotListedYet;
    m_pathField->setText(tab.text);
    pathEdited(tab.text);
    m_tabCompleted = tab.text;
    return true;
}

void FolderPickerDialog::goToTypedPath()
{
    if (typedPath(m_pathField->text()) != m_candidate || m_state == State::None)
        pathEdited(m_pathField->text()); // set by a suggestion rather than typed
    m_completing = false;
    m_completer->popup()->hide();
    m_typing->stop();
    showProblem();
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
    if (choosable)
        showInTree(m_candidate, std::exchange(m_selectWhenChecked, false));
    m_selectWhenChecked = false;
    if (std::exchange(m_acceptWhenChecked, false) && choosable)
        QDialog::accept();
}

// OK stays enabled while a typed path is being checked, so that a click straight after typing
// is not lost: it takes the path once the check says it is a folder.
void FolderPickerDialog::setState(State state, const QString& problem)
{
    m_state = state;
    const bool choosable = state == State::Folder || state == State::NoAnswer;
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(choosable || state == State::Checking);
    m_newFolder->setEnabled(choosable);
    m_problem = problem;
    if (problem.isEmpty() || !m_typing->isActive())
        showProblem();
}

// A new reason why the path cannot be chosen is announced to screen readers as it shows.
void FolderPickerDialog::showProblem()
{
    const bool news = !m_problem.isEmpty() && m_problem != m_pathProblem->text();
    m_pathProblem->setText(m_problem);
    m_pathProblem->setHidden(m_problem.isEmpty());
    if (news) {
        QAccessibleEvent alert(m_pathProblem, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

// OK asks once more, off the window's thread: the folder may have gone while the chooser was
// open. A folder that does not answer is taken: the poll skips it until it answers.
void FolderPickerDialog::accept()
{
    m_typing->stop();
    showProblem();
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
