#include "modal_watch.h"
#include "test_main.h"
#include "ui/folder_picker.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

QPushButton* okButton(const FolderPickerDialog& dialog)
{
    return dialog.buttons()->button(QDialogButtonBox::Ok);
}

} // namespace

class TestFolderPicker : public QObject
{
    Q_OBJECT

private slots:
    void showsPromptInsideAboveTheTree();
    void opensOnTheHomeFolder();
    void okOnlyWhileAnExistingFolderIsSelected();
    void returnsTheChosenPathWhole_data();
    void returnsTheChosenPathWhole();
    void cancelAndEscapeReturnEmptyText_data();
    void cancelAndEscapeReturnEmptyText();
};

void TestFolderPicker::showsPromptInsideAboveTheTree()
{
    QWidget owner;
    FolderPickerDialog dialog("Select a folder to watch...", &owner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), QString("Browse for Folder"));
    QCOMPARE(dialog.promptLabel()->text(), QString("Select a folder to watch..."));
    QVERIFY(dialog.promptLabel()->isVisible());
    QVERIFY(dialog.promptLabel()->geometry().bottom() < dialog.folderTree()->geometry().top());
    QCOMPARE(dialog.parentWidget(), &owner);
    QVERIFY(dialog.isModal());
}

void TestFolderPicker::opensOnTheHomeFolder()
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    FolderPickerDialog dialog("prompt");
    qputenv("HOME", oldHome);

    QCOMPARE(dialog.selectedFolder(), home.path());
    QVERIFY(dialog.folderTree()->isExpanded(dialog.folderTree()->currentIndex()));
    QVERIFY(okButton(dialog)->isEnabled());
}

void TestFolderPicker::okOnlyWhileAnExistingFolderIsSelected()
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

    // Removed while the chooser is open: it can no longer be chosen.
    QVERIFY(QDir(dir.path()).rmdir("sub"));
    QCOMPARE(dialog.selectedFolder(), QString());
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!okButton(dialog)->isEnabled());
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
    });
    const QString chosen = BrowseForFolder(&owner, "prompt");

    QVERIFY(watch.sawDialog());
    QCOMPARE(chosen, expected);
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

MARROWQUILL_TEST_MAIN(TestFolderPicker)
#include "tst_folder_picker.moc"
