// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/folder_picker.h"

#include "platform/folder_check.h"

#include <QCheckBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr QDir::Filters FOLDERS_ONLY = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;

// Folders only. A folder whose entries have been read and hold no folder shows no expand
// arrow; one not read yet may have some, as far as anyone knows.
class FolderModel final : public QFileSystemModel
{
public:
    using QFileSystemModel::QFileSystemModel;

    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override
    {
        if (parent.isValid() && !canFetchMore(parent))
            return rowCount(parent) > 0;
        return QFileSystemModel::hasChildren(parent);
    }
};

// "~" and "~/..." stand for the home folder.
QString expandHome(const QString& text)
{
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        return QDir::homePath() + text.mid(1);
    return text;
}

// An absolute, clean path with no trailing slash but for "/"; empty when the text is none.
QString typedPath(const QString& text)
{
    const QString path = expandHome(text.trimmed());
    if (!path.startsWith(QLatin1Char('/')))
        return QString();
    return QDir::cleanPath(path);
}

// Completes folder names; knows "~" as the home folder.
class PathCompleter final : public QCompleter
{
public:
    using QCompleter::QCompleter;

    QStringList splitPath(const QString& path) const override
    {
        return QCompleter::splitPath(expandHome(path));
    }
};

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
    setWindowTitle(QStringLiteral("Browse for Folder"));
    setModal(true);
    createControls(prompt);
    resize(460, 520);
    setState(State::None);
    openOn(startFolder);
}

FolderPickerDialog::~FolderPickerDialog() = default;

void FolderPickerDialog::createControls(const QString& prompt)
{
    m_prompt = new QLabel(prompt, this);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);

    m_model = new FolderModel(this);
    m_model->setFilter(FOLDERS_ONLY);
    m_model->setRootPath(QStringLiteral("/"));
    // The model fills in and sorts a folder's entries in the background, which moves the
    // rows below them: the folder the chooser opened on is scrolled back into view each time.
    m_rescroll = new QTimer(this);
    m_rescroll->setSingleShot(true);
    m_rescroll->setInterval(0);
    connect(m_rescroll, &QTimer::timeout, this, &FolderPickerDialog::keepTargetInView);
    const auto rowsMoved = [this] {
        if (!m_target.isEmpty())
            m_rescroll->start();
    };
    connect(m_model, &QFileSystemModel::rowsInserted, this, rowsMoved);
    connect(m_model, &QFileSystemModel::layoutChanged, this, rowsMoved);
    connect(m_model, &QFileSystemModel::directoryLoaded, this, rowsMoved);

    m_pathField = new QLineEdit(this);
    m_pathField->setPlaceholderText(QStringLiteral("Type a folder's path, or choose it below"));
    m_pathField->setClearButtonEnabled(true);
    auto* completer = new PathCompleter(m_model, m_pathField);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    m_pathField->setCompleter(completer);
    m_pathField->installEventFilter(this);
    connect(m_pathField, &QLineEdit::textEdited, this, &FolderPickerDialog::pathEdited);

    m_pathProblem = new QLabel(this);
    m_pathProblem->setTextFormat(Qt::PlainText);

    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderPickerDialog::treeSelectionChanged);

    m_showHidden = new QCheckBox(QStringLiteral("Show &hidden folders"), this);
    connect(m_showHidden, &QCheckBox::toggled, this, &FolderPickerDialog::setShowHidden);
    auto* toggleHidden = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(toggleHidden, &QShortcut::activated, m_showHidden, &QCheckBox::toggle);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &FolderPickerDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &FolderPickerDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_showHidden);
    bottom->addStretch();
    bottom->addWidget(m_buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_pathField);
    layout->addWidget(m_pathProblem);
    layout->addWidget(m_tree, 1);
    layout->addLayout(bottom);
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

QString FolderPickerDialog::selectedFolder() const
{
    if (m_state == State::Folder || m_state == State::NoAnswer)
        return m_candidate;
    return QString();
}

void FolderPickerDialog::selectFolder(const QString& path)
{
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return;
    m_target = m_model->filePath(index);
    for (QModelIndex ancestor = index.parent(); ancestor.isValid(); ancestor = ancestor.parent())
        m_tree->expand(ancestor);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_tree->setFocus();
}

void FolderPickerDialog::keepTargetInView()
{
    const QModelIndex current = m_tree->currentIndex();
    if (m_target.isEmpty() || !current.isValid() || m_model->filePath(current) != m_target) {
        m_target.clear(); // the user has moved on
        return;
    }
    m_tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

// A folder the model listed is a folder as far as anyone can tell without asking again.
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
    m_candidate = m_model->filePath(current);
    m_pathField->setText(m_candidate);
    setState(State::Folder);
}

void FolderPickerDialog::pathEdited(const QString& text)
{
    m_target.clear();
    m_acceptWhenChecked = false;
    m_selectWhenChecked = false;
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

void FolderPickerDialog::goToTypedPath()
{
    if (m_state == State::Folder)
        selectFolder(m_candidate);
    else if (m_state == State::Checking)
        m_selectWhenChecked = true;
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
    if (std::exchange(m_selectWhenChecked, false) && m_state == State::Folder)
        selectFolder(m_candidate);
    if (std::exchange(m_acceptWhenChecked, false) && choosable)
        QDialog::accept();
}

void FolderPickerDialog::setState(State state, const QString& problem)
{
    m_state = state;
    m_pathProblem->setText(problem);
    m_buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(state == State::Folder || state == State::NoAnswer);
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

// Return in the path field goes to the typed folder instead of closing the chooser.
bool FolderPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pathField && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_pathField->completer()->popup()->hide();
            goToTypedPath();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FolderPickerDialog::setShowHidden(bool show)
{
    m_model->setFilter(show ? FOLDERS_ONLY | QDir::Hidden : FOLDERS_ONLY);
}
