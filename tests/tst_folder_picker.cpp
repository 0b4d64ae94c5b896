// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "modal_watch.h"
#include "test_main.h"
#include "ui/folder_picker.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

QPushButton* okButton(const FolderPickerDialog& dialog)
{
    return dialog.buttons()->button(QDialogButtonBox::Ok);
}

// While it lives, $HOME is a fresh temporary folder.
class TemporaryHome
{
public:
    TemporaryHome() : m_old(qgetenv("HOME")) { qputenv("HOME", QFile::encodeName(m_home.path())); }
    ~TemporaryHome() { qputenv("HOME", m_old); }
    QString path() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
    QByteArray m_old;
};

bool listsFolder(FolderPickerDialog& dialog, const QString& parent, const QString& name)
{
    auto* model = static_cast<QFileSystemModel*>(dialog.folderTree()->model());
    const QModelIndex parentIndex = model->index(parent);
    for (int row = 0; row < model->rowCount(parentIndex); ++row) {
        if (model->fileName(model->index(row, 0, parentIndex)) == name)
            return true;
    }
    return false;
}

// Types the text into the path field as the user would, and waits for the check of it.
void type(FolderPickerDialog& dialog, const QString& text)
{
    dialog.pathField()->clear();
    QTest::keyClicks(dialog.pathField(), text);
}

} // namespace

class TestFolderPicker : public QObject
{
    Q_OBJECT

private slots:
    void showsPromptAndPathFieldAboveTheTree();
    void opensOnTheSlotsFolderOrHome_data();
    void opensOnTheSlotsFolderOrHome();
    void folderRemovedWhileOpenCannotBeChosen();
    void returnsTheChosenPathWhole_data();
    void returnsTheChosenPathWhole();
    void typedFolderIsWhatOkReturns_data();
    void typedFolderIsWhatOkReturns();
    void typedPathThatIsNoFolderKeepsOkDisabled_data();
    void typedPathThatIsNoFolderKeepsOkDisabled();
    void cancelAndEscapeReturnEmptyText_data();
    void cancelAndEscapeReturnEmptyText();
    void ctrlHShowsAndHidesHiddenFolders();
    void folderWithoutSubfoldersHasNoExpandArrowOnceRead();
};

void TestFolderPicker::showsPromptAndPathFieldAboveTheTree()
{
    QWidget owner;
    FolderPickerDialog dialog("Select a folder to watch...", QString(), &owner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), QString("Browse for Folder"));
    QCOMPARE(dialog.promptLabel()->text(), QString("Select a folder to watch..."));
    QVERIFY(dialog.promptLabel()->isVisible());
    QVERIFY(dialog.promptLabel()->geometry().bottom() < dialog.pathField()->geometry().top());
    QVERIFY(dialog.pathField()->geometry().bottom() < dialog.folderTree()->geometry().top());
    QCOMPARE(dialog.parentWidget(), &owner);
    QVERIFY(dialog.isModal());
}

void TestFolderPicker::opensOnTheSlotsFolderOrHome_data()
{
    QTest::addColumn<QString>("current"); // "<watched>" stands for an existing folder
    QTest::addColumn<bool>("opensOnIt");
    QTest::newRow("an existing folder") << "<watched>" << true;
    QTest::newRow("no folder chosen") << "(None presently selected)" << false;
    QTest::newRow("a folder that is gone") << "/no/such/folder/any/more" << false;
}

void TestFolderPicker::opensOnTheSlotsFolderOrHome()
{
    QFETCH(QString, current);
    QFETCH(bool, opensOnIt);
    TemporaryHome home;
    QTemporaryDir root;
    const QString watched = root.filePath("deep/er/watched");
    QVERIFY(QDir().mkpath(watched));
    for (int i = 0; i < 60; ++i) // enough siblings to scroll it out of view when not scrolled to
        QVERIFY(QDir().mkpath(root.filePath("deep/er/a%1").arg(i, 2, 10, QLatin1Char('0'))));
    if (current == "<watched>")
        current = watched;

    FolderPickerDialog dialog("prompt", current);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QString expected = opensOnIt ? watched : home.path();
    QTRY_COMPARE(dialog.selectedFolder(), expected);
    QTreeView* tree = dialog.folderTree();
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
    QVERIFY(tree->selectionModel()->isSelected(tree->currentIndex()));
    QVERIFY(tree->hasFocus());
    QCOMPARE(dialog.pathField()->text(), expected);
    QVERIFY(okButton(dialog)->isEnabled());
}

void TestFolderPicker::folderRemovedWhileOpenCannotBeChosen()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    FolderPickerDialog dialog("prompt");

    dialog.folderTree()->setCurrentIndex(QModelIndex());
    QVERIFY(!okButton(dialog)->isEnabled());
    QCOMPARE(dialog.selectedFolder(), QString());

    dialog.selectFolder(dir.filePath("sub"));
    QVERIFY(okButton(dialog)->isEnabled());
    QCOMPARE(dialog.selectedFolder(), dir.filePath("sub"));

    // Removed while the chooser is open: OK finds it gone, or the tree drops it first.
    QVERIFY(QDir(dir.path()).rmdir("sub"));
    dialog.accept();
    QTRY_VERIFY(dialog.selectedFolder() != dir.filePath("sub"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestFolderPicker::returnsTheChosenPathWhole_data()
{
    QTest::addColumn<QString>("relative"); // below a temporary folder; empty: the root
    QTest::newRow("root") << QString();
    QTest::newRow("plain") << "photos";
    QTest::newRow("spaces and non-ASCII") << "my files/été";
    QTest::newRow("longer than 259 characters")
        << "a-folder-with-a-rather-long-name/" +
               QString("deeper-and-deeper-folder-name-of-some-length/").repeated(7) + "last";
}

void TestFolderPicker::returnsTheChosenPathWhole()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    const QString expected = relative.isEmpty() ? "/" : dir.filePath(relative);
    if (!relative.isEmpty())
        QVERIFY(QDir().mkpath(expected));

    QWidget owner;
    ModalWatch watch([&](QWidget* shown) {
        auto* dialog = qobject_cast<FolderPickerDialog*>(shown);
        QVERIFY(dialog);
        dialog->selectFolder(expected);
        okButton(*dialog)->click();
        QTRY_VERIFY(!dialog->isVisible());
    });
    const QString chosen = BrowseForFolder(&owner, "prompt");

    QVERIFY(watch.sawDialog());
    QCOMPARE(chosen, expected);
}

void TestFolderPicker::typedFolderIsWhatOkReturns_data()
{
    QTest::addColumn<QString>("typed"); // <home> stands for the home folder's path
    QTest::addColumn<QString>("expected");
    QTest::newRow("full path") << "<home>/in box"
                               << "<home>/in box";
    QTest::newRow("with ~") << "~/in box"
                            << "<home>/in box";
    QTest::newRow("trailing slash and spaces") << "  ~/in box//  "
                                               << "<home>/in box";
    QTest::newRow("the root") << "/"
                              << "/";
}

void TestFolderPicker::typedFolderIsWhatOkReturns()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    TemporaryHome home;
    QVERIFY(QDir(home.path()).mkdir("in box"));
    typed.replace("<home>", home.path());
    expected.replace("<home>", home.path());

    QString chosen = "(not returned)";
    ModalWatch watch([&](QWidget* shown) {
        auto* dialog = qobject_cast<FolderPickerDialog*>(shown);
        QVERIFY(dialog);
        type(*dialog, typed);
        QTRY_VERIFY(okButton(*dialog)->isEnabled());
        QTest::keyClick(dialog->pathField(), Qt::Key_Return);
        QVERIFY(dialog->isVisible()); // Return goes to the folder; OK takes it
        QCOMPARE(
            dialog->folderTree()->currentIndex().data(QFileSystemModel::FilePathRole).toString(),
            expected);
        okButton(*dialog)->click();
        QTRY_VERIFY(!dialog->isVisible());
    });
    chosen = BrowseForFolder(nullptr, "prompt");

    QVERIFY(watch.sawDialog());
    QCOMPARE(chosen, expected);
}

void TestFolderPicker::typedPathThatIsNoFolderKeepsOkDisabled_data()
{
    QTest::addColumn<QString>("typed"); // <dir> stands for a temporary folder
    QTest::newRow("missing") << "<dir>/not here";
    QTest::newRow("a file") << "<dir>/file.txt";
    QTest::newRow("not a full path") << "relative/path";
}

void TestFolderPicker::typedPathThatIsNoFolderKeepsOkDisabled()
{
    QFETCH(QString, typed);
    QTemporaryDir dir;
    QFile file(dir.filePath("file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    typed.replace("<dir>", dir.path());

    FolderPickerDialog dialog("prompt");
    type(dialog, typed);
    QTRY_VERIFY(!dialog.pathProblem()->text().isEmpty());
    QVERIFY(!okButton(dialog)->isEnabled());
    QCOMPARE(dialog.selectedFolder(), QString());
    QTest::keyClick(dialog.pathField(), Qt::Key_Return);
    QVERIFY(dialog.result() != QDialog::Accepted);
}

void TestFolderPicker::cancelAndEscapeReturnEmptyText_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Esc") << true;
}

void TestFolderPicker::cancelAndEscapeReturnEmptyText()
{
    QFETCH(bool, escape);
    QWidget owner;
    ModalWatch watch([&](QWidget* shown) {
        auto* dialog = qobject_cast<FolderPickerDialog*>(shown);
        QVERIFY(dialog);
        QVERIFY(!dialog->selectedFolder().isEmpty());
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->buttons()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(BrowseForFolder(&owner, "prompt"), QString());
    QVERIFY(watch.sawDialog());
}

void TestFolderPicker::ctrlHShowsAndHidesHiddenFolders()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(".secret"));
    QVERIFY(QDir(dir.path()).mkdir("plain"));
    FolderPickerDialog dialog("prompt", dir.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(dialog.selectedFolder(), dir.path());
    dialog.folderTree()->expand(dialog.folderTree()->currentIndex());
    QTRY_VERIFY(listsFolder(dialog, dir.path(), "plain"));
    QVERIFY(!listsFolder(dialog, dir.path(), ".secret"));

    QTest::keyClick(&dialog, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(dialog.showHiddenBox()->isChecked());
    QTRY_VERIFY(listsFolder(dialog, dir.path(), ".secret"));

    QTest::keyClick(&dialog, Qt::Key_H, Qt::ControlModifier);
    QTRY_VERIFY(!listsFolder(dialog, dir.path(), ".secret"));
}

void TestFolderPicker::folderWithoutSubfoldersHasNoExpandArrowOnceRead()
{
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("parent/child")));
    QVERIFY(QDir().mkpath(dir.filePath("empty")));
    FolderPickerDialog dialog("prompt", dir.path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTreeView* tree = dialog.folderTree();
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    QTRY_COMPARE(dialog.selectedFolder(), dir.path());
    tree->expand(tree->currentIndex());
    QTRY_VERIFY(listsFolder(dialog, dir.path(), "empty"));

    for (const char* name : {"parent", "empty"})
        tree->expand(model->index(dir.filePath(name)));
    QTRY_VERIFY(listsFolder(dialog, dir.filePath("parent"), "child"));
    QTRY_VERIFY(!model->hasChildren(model->index(dir.filePath("empty"))));
    QVERIFY(model->hasChildren(model->index(dir.filePath("parent"))));
}

MARROWQUILL_TEST_MAIN(TestFolderPicker)
#include "tst_folder_picker.moc"
