#include "ui/folder_picker.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

QString BrowseForFolder(QWidget* owner, const QString& prompt)
{
    FolderPickerDialog dialog(prompt, owner);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFolder();
}

FolderPickerDialog::FolderPickerDialog(const QString& prompt, QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Browse for Folder"));
    setModal(true);

    m_prompt = new QLabel(prompt, this);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setWordWrap(true);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QStringLiteral("/"));

    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &FolderPickerDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &FolderPickerDialog::reject);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderPickerDialog::updateOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_buttons);
    resize(420, 480);

    selectFolder(QDir::homePath());
    updateOk();
}

QString FolderPickerDialog::selectedFolder() const
{
    const QModelIndex current = m_tree->currentIndex();
    if (!current.isValid())
        return QString();
    const QString path = m_model->filePath(current);
    return QFileInfo(path).isDir() ? path : QString();
}

void FolderPickerDialog::selectFolder(const QString& path)
{
    const QModelIndex index = m_model->index(path);
    if (!index.isValid())
        return;
    for (QModelIndex ancestor = index; ancestor.isValid(); ancestor = ancestor.parent())
        m_tree->expand(ancestor);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

// A folder removed while the chooser was open cannot be chosen.
void FolderPickerDialog::accept()
{
    if (selectedFolder().isEmpty()) {
        updateOk();
        return;
    }
    QDialog::accept();
}

void FolderPickerDialog::updateOk()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!selectedFolder().isEmpty());
}
