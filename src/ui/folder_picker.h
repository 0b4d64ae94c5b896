// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include <QDialog>

#include <memory>

class FolderCheck;
class QCheckBox;
class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTimer;
class QTreeView;
enum class FolderVerdict;

// Shows the folder chooser, modal to `owner`, with the prompt inside it, opened on
// `currentFolder` when that is an existing folder and on the home folder otherwise. Returns the
// chosen folder's absolute path ("/" for the root, no trailing slash otherwise), whole however
// long, or the empty text when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& prompt,
                        const QString& currentFolder = QString());

// A tree of the file system's folders, rooted at "/", and a field to type or paste a path into
// ("~" at its start stands for the home folder). OK is enabled only while the tree's selection
// or the typed path is a folder. Nothing here looks at the file system on the window's thread:
// the tree's model gathers in the background, and every check of a path is a FolderCheck.
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

    QLabel* promptLabel() const { return m_prompt; }
    QLineEdit* pathField() const { return m_pathField; }
    // One line under the path field saying why a typed path cannot be chosen.
    QLabel* pathProblem() const { return m_pathProblem; }
    QTreeView* folderTree() const { return m_tree; }
    QCheckBox* showHiddenBox() const { return m_showHidden; }
    QDialogButtonBox* buttons() const { return m_buttons; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class State { None, Checking, Folder, NotAFolder, NoAnswer };

    void createControls(const QString& prompt);
    void openOn(const QString& startFolder);
    void treeSelectionChanged();
    void pathEdited(const QString& text);
    void goToTypedPath();
    void checkCandidate();
    void verdictCame(const QString& path, FolderVerdict verdict);
    void setState(State state, const QString& problem = QString());
    void setShowHidden(bool show);
    void keepTargetInView();

    QLabel* m_prompt = nullptr;
    QLineEdit* m_pathField = nullptr;
    QLabel* m_pathProblem = nullptr;
    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QCheckBox* m_showHidden = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    std::unique_ptr<FolderCheck> m_check;
    QTimer* m_rescroll = nullptr;

    QString m_candidate;
    State m_state = State::None;
    bool m_acceptWhenChecked = false;
    bool m_selectWhenChecked = false;
    // The folder the tree was opened or sent to, kept in view while its ancestors load.
    QString m_target;
};
