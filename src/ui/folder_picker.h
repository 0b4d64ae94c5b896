#pragma once

#include <QDialog>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

// Shows the folder chooser, modal to `owner`, with the prompt inside it. Returns the chosen
// folder's absolute path ("/" for the root, no trailing slash otherwise), whole however long,
// or the empty text when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& prompt);

// A tree of the file system's folders, rooted at "/", that opens on the user's home folder.
// OK is enabled only while an existing folder is selected.
class FolderPickerDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FolderPickerDialog(const QString& prompt, QWidget* owner = nullptr);

    // The selected folder's path, or the empty text when no existing folder is selected.
    QString selectedFolder() const;
    void selectFolder(const QString& path);

    QLabel* promptLabel() const { return m_prompt; }
    QTreeView* folderTree() const { return m_tree; }
    QDialogButtonBox* buttons() const { return m_buttons; }

public slots:
    void accept() override;

private:
    void updateOk();

    QLabel* m_prompt = nullptr;
    QFileSystemModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
