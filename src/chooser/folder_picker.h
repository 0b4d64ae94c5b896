// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QDialog>

#include <memory>

class FolderCheck;
class FolderTreeModel;
class PathCompleter;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeView;
enum class FolderVerdict;
struct Place;

// Shows the folder chooser, modal to `owner`, with the prompt inside it, opened on
// `currentFolder` when that is an existing folder and on the home folder otherwise. Returns the
// chosen folder's absolute path ("/" for the root, no trailing slash otherwise), whole however
// long, or the empty text when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& prompt,
                        const QString& currentFolder = QString());

// A tree of the file system's folders, rooted at "/", a list of places beside it, and a field
// to type or paste a path into ("~" at its start stands for the home folder). The chooser is in
// one folder at a time, the one the user last moved the tree or the field to: the tree shows it
// selected (nothing while a typed path is not a folder), OK takes it and New Folder makes its
// folder in it; both are enabled only while it is a folder, or a folder that does not answer.
// Why a typed path cannot be chosen is said once the user stops typing, or presses Return or OK.
// Nothing here waits for the file system on the window's thread: the tree and the completion of
// typed paths come from listings made off it, every check of a path is a FolderCheck, and the
// places are read off it too.
//
// The keys of GTK's chooser work here: "/" or "~" typed anywhere starts a path in the field,
// Ctrl+L goes to the field with its text selected, Ctrl+V in the tree pastes into the field,
// Tab in the field completes the name typed.
class FolderPickerDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FolderPickerDialog(const QString& prompt, const QString& startFolder = QString(),
                                QWidget* owner = nullptr);
    ~FolderPickerDialog() override;

    // The folder OK would take, or the empty text while there is none.
    QString selectedFolder() const;
    // Selects a folder in the tree, expanded to it and scrolled into view.
    void selectFolder(const QString& path);
    // Asks for a name, then makes a folder of that name in the selected one.
    void newFolder();
    // Makes a folder of that name in the selected one, off the window's thread, and selects it;
    // says why in a message box when it cannot.
    void createFolder(const QString& name);

    QLabel* promptLabel() const { return m_prompt; }
    QLineEdit* pathField() const { return m_pathField; }
    // One line under the path field saying why a typed path cannot be chosen.
    QLabel* pathProblem() const { return m_pathProblem; }
    QTreeView* folderTree() const { return m_tree; }
    FolderTreeModel* folderModel() const { return m_model; }
    QListWidget* places() const { return m_places; }
    QCheckBox* showHiddenBox() const { return m_showHidden; }
    QDialogButtonBox* buttons() const { return m_buttons; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class State { None, Checking, Folder, NotAFolder, NoAnswer };

    void createControls(const QString& prompt);
    void nameForAccessibility();
    void fitScreen(QWidget* owner);
    void openOn(const QString& startFolder);
    void readPlaces();
    void addPlace(const Place& place);
    void showInTree(const QString& path, bool focusTree);
    void treeSelectionChanged();
    void pathEdited(const QString& text);
    void folderListed(const QString& path);
    bool completeOnTab();
    void goToTypedPath();
    void goToPlace(const QString& path);
    void checkCandidate();
    void verdictCame(const QString& path, FolderVerdict verdict);
    void folderMade(const QString& path);
    void setState(State state, const QString& problem = QString());
    void showProblem();
    bool startPathFromKey(QObject* watched, QEvent* event);
    void keepTargetInView();

    QLabel* m_prompt = nullptr;
    QLineEdit* m_pathField = nullptr;
    PathCompleter* m_completer = nullptr;
    QLabel* m_pathProblem = nullptr;
    FolderTreeModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QListWidget* m_places = nullptr;
    QCheckBox* m_showHidden = nullptr;
    QPushButton* m_newFolder = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    std::unique_ptr<FolderCheck> m_check;
    QTimer* m_rescroll = nullptr;
    QTimer* m_typing = nullptr; // runs while the user is typing into the field

    QString m_candidate;
    State m_state = State::None;
    QString m_problem; // why the candidate cannot be chosen; shown once the typing stops
    bool m_fieldMovesTree = false; // the tree follows the field, not the other way round
    bool m_acceptWhenChecked = false;
    bool m_selectWhenChecked = false;
    bool m_completing = false;        // the user is typing: suggestions show as listings come
    bool m_completeOnListing = false; // Tab came before the folder's listing
    QString m_tabCompleted;           // the field's text as Tab left it
    // The folder the tree was opened or sent to, kept in view while its ancestors load.
    QString m_target;
};
