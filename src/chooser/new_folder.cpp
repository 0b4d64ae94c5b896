// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/new_folder.h"

#include "chooser/chooser_workers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

#include <sys/stat.h>

void askForNewFolder(QWidget* owner, const QString& parent, FolderMade made)
{
    if (parent.isEmpty())
        return;
    bool ok = false;
    const QString name =
        QInputDialog::getText(owner, QStringLiteral("New Folder"),
                              QStringLiteral("Name of the new folder in %1:").arg(parent),
                              QLineEdit::Normal, QStringLiteral("New Folder"), &ok);
    if (ok)
        makeNewFolder(owner, parent, name.trimmed(), std::move(made));
}

void makeNewFolder(QWidget* owner, const QString& parent, const QString& name, FolderMade made)
{
    if (parent.isEmpty() || name.isEmpty())
        return;
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        QMessageBox::warning(owner, QStringLiteral("New Folder"),
                             QStringLiteral("\u201c%1\u201d cannot be a folder's name: a name "
                                            "holds no \u201c/\u201d and is not \u201c.\u201d or "
                                            "\u201c..\u201d.")
                                 .arg(name));
        return;
    }
    const QString path = QDir(parent).filePath(name);
    // The delivery comes only while the owner is there.
    chooserWorkers().run(
        owner, [owner, made = std::move(made), folder = QFile::encodeName(path).toStdString()] {
            const int error = ::mkdir(folder.c_str(), 0777) == 0 ? 0 : errno;
            return OffThreadRunner::Delivery([owner, made, folder, error] {
                const QString folderPath = QFile::decodeName(QByteArray::fromStdString(folder));
                if (error == 0) {
                    made(folderPath);
                    return;
                }
                const QFileInfo failed(folderPath);
                QMessageBox::warning(
                    owner, QStringLiteral("New Folder"),
                    QStringLiteral("The folder \u201c%1\u201d could not be made in %2: %3.")
                        .arg(failed.fileName(), failed.path(), qt_error_string(error)));
            });
        });
}
