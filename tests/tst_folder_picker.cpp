// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/folder_check.h"
#include "chooser/folder_picker.h"
#include "chooser/folder_places.h"
#include "chooser/folder_tree_model.h"
#include "modal_watch.h"
#include "test_main.h"
#include "unprivileged.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>

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
    FolderTreeModel* model = dialog.folderModel();
    const QModelIndex parentIndex = model->indexOf(parent);
    for (int row = 0; row < model->rowCount(parentIndex); ++row) {
        if (model->index(row, 0, parentIndex).data(Qt::EditRole).toString() == name)
            return true;
    }
    return false;
}

QString currentFolder(const FolderPickerDialog& dialog)
{
    return dialog.folderTree()->currentIndex().data(FolderTreeModel::FilePathRole).toString();
}

// While it lives, the program runs in another working folder.
class WorkingFolder
{
public:
    explicit WorkingFolder(const QString& path) : m_old(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~WorkingFolder() { QDir::setCurrent(m_old); }

private:
    QString m_old;
};

// Types the text into the path field as the user would, and waits for the check of it.
void type(FolderPickerDialog& dialog, const QString& text)
{
    dialog.pathField()->clear();
    QTest::keyClicks(dialog.pathField(), text);
}

// Where the user's keys go: to the open suggestions, else to the focused control. (The
// offscreen platform does not give the activation back when the suggestions close.)
QWidget* keyTarget(QWidget* dialog)
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (!dialog->isActiveWindow()) {
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog))
            return dialog;
    }
    return QApplication::focusWidget();
}

void press(QWidget* dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(keyTarget(dialog), key, modifiers);
}

void typeKeys(QWidget* dialog, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClicks(keyTarget(dialog), QString(c));
}

// The longest the window's event loop went without turning while it lives, as a 0 ms timer sees.
class LoopGapWatch
{
public:
    LoopGapWatch()
    {
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longestMs = std::max(m_longestMs, m_sinceLast.restart()); });
        m_sinceLast.start();
        m_timer.start(0);
    }
    qint64 longestMs() const { return m_longestMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longestMs = 0;
};

#ifdef HANGING_FS
// The project's FUSE filesystem at <dir>/mnt while it lives, in the mode given; its waits end at
// release() and on the way out.
class HangingMount
{
public:
    HangingMount(const QTemporaryDir& dir, const QString& mode = QString())
        : m_path(dir.filePath("mnt")), m_release(dir.filePath("release"))
    {
        if (!QFile::exists("/dev/fuse") || QStandardPaths::findExecutable("fusermount3").isEmpty())
            return;
        QDir().mkpath(m_path);
        QStringList arguments{m_path, m_release};
        if (!mode.isEmpty())
            arguments << mode;
        m_fs.start(HANGING_FS, arguments);
        QTRY_VERIFY_WITH_TIMEOUT(mounted() || m_fs.state() == QProcess::NotRunning, 5000);
    }
    ~HangingMount()
    {
        release();
        QProcess::execute("fusermount3", {"-uz", m_path});
        m_fs.kill();
        m_fs.waitForFinished();
    }
    bool mounted() const
    {
        return m_fs.state() == QProcess::Running && QFileInfo(m_path + "/hang").isDir();
    }
    QString path() const { return m_path; }
    void release() { QFile(m_release).open(QIODevice::WriteOnly); }

private:
    QString m_path;
    QString m_release;
    QProcess m_fs;
};
#endif

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
    void typedPathIsTakenFromTheKeyboard_data();
    void typedPathIsTakenFromTheKeyboard();
    void tabCompletesTheTypedName_data();
    void tabCompletesTheTypedName();
    void typedPathThatIsNoFolderKeepsOkDisabled_data();
    void typedPathThatIsNoFolderKeepsOkDisabled();
    void cancelAndEscapeReturnEmptyText_data();
    void cancelAndEscapeReturnEmptyText();
    void ctrlHShowsAndHidesHiddenFolders();
    void screenReadersGetNamedItemsAndPlacePaths();
    void newFolderIsMadeInTheSelectedOne_data();
    void newFolderIsMadeInTheSelectedOne();
    void folderWithoutSubfoldersHasNoExpandArrowOnceRead();
    void hungFolderShowsAsNotAnsweringAndCanBeTaken();
    void checksThatCameBackAfterAllNoLongerCountAsStuck();
    void openingsBesideAHungBookmarkLeaveNoMoreThreads();
    void largeFolderListedIntoShownRowsKeepsTheWindowTurning();
    void foldersSortAsTheLocaleAndNumbersSay_data();
    void foldersSortAsTheLocaleAndNumbersSay();
    void placesShowHomeTheUsersFoldersAndBookmarks();
    void volumesFromMountInfo_data();
    void volumesFromMountInfo();
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
    const int treeTop = dialog.folderTree()->mapTo(&dialog, QPoint(0, 0)).y();
    QVERIFY(dialog.pathField()->geometry().bottom() < treeTop);
    QCOMPARE(dialog.parentWidget(), &owner);
    QVERIFY(dialog.isModal());
    // A screen reader names each control by what it is for.
    QWidget* clearButton = dialog.pathField()->findChild<QToolButton*>();
    QVERIFY(clearButton);
    for (QWidget* control : std::initializer_list<QWidget*>{dialog.pathField(), dialog.folderTree(),
                                                            dialog.places(), clearButton})
        QVERIFY2(!control->accessibleName().isEmpty(), control->metaObject()->className());
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
    // Enough siblings to scroll it out of view when not scrolled to, before it and after it.
    for (const char* first : {"a", "z"}) {
        for (int i = 0; i < 60; ++i)
            QVERIFY(QDir().mkpath(root.filePath("deep/er/%1%2").arg(first).arg(i)));
    }
    if (current == "<watched>")
        current = watched;

    FolderPickerDialog dialog("prompt", current);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QString expected = opensOnIt ? watched : home.path();
    QTRY_COMPARE(dialog.selectedFolder(), expected);
    QTreeView* tree = dialog.folderTree();
    QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
    // It holds no folders: once read it is not shown opened, and it never was.
    QVERIFY(!tree->isExpanded(tree->currentIndex()));
    QTRY_VERIFY(dialog.folderModel()->isListed(tree->currentIndex()));
    QVERIFY(!tree->isExpanded(tree->currentIndex()));
    if (opensOnIt) {
        // At the top of the tree: the folders after it fill the view (home, last in its folder,
        // cannot be scrolled up so far).
        QTRY_COMPARE(tree->visualRect(tree->currentIndex()).top(), 0);
        QVERIFY(!tree->isExpanded(dialog.folderModel()->indexOf(root.filePath("deep/er/a0"))));
    }
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
        QTRY_COMPARE(dialog->selectedFolder(), expected); // checked, a folder
        QTest::keyClick(dialog->pathField(), Qt::Key_Return);
        QVERIFY(dialog->isVisible()); // Return goes to the folder; OK takes it
        QCOMPARE(currentFolder(*dialog), expected);
        okButton(*dialog)->click();
        QTRY_VERIFY(!dialog->isVisible());
    });
    chosen = BrowseForFolder(nullptr, "prompt");

    QVERIFY(watch.sawDialog());
    QCOMPARE(chosen, expected);
}

void TestFolderPicker::typedPathIsTakenFromTheKeyboard_data()
{
    // "ctrl+l": Ctrl+L then End; "field, ctrl+l": a click in the field, then Ctrl+L; "paste":
    // Ctrl+V of the path
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("typed"); // <home> stands for the home folder
    QTest::addColumn<bool>("okAtOnce"); // else Return goes to the folder, a second takes it
    QTest::addColumn<QString>("expected");
    QTest::newRow("typed straight into the chooser") << ""
                                                     << "<home>/in box" << false << "<home>/in box";
    QTest::newRow("suggestions showing at the first Return")
        << ""
        << "~/in box/" << false << "<home>/in box";
    QTest::newRow("Ctrl+L, then more") << "ctrl+l"
                                       << "/in box" << false << "<home>/in box";
    QTest::newRow("Ctrl+L in the field, then a path over it")
        << "field, ctrl+l"
        << "~/in box" << false << "<home>/in box";
    QTest::newRow("Ctrl+V in the tree") << "paste"
                                        << "" << false << "<home>/in box";
    QTest::newRow("OK straight after a trailing slash") << ""
                                                        << "~/in box/" << true << "<home>/in box";
    QTest::newRow("through a link to a folder") << ""
                                                << "<home>/link/" << true << "<home>/link";
}

void TestFolderPicker::typedPathIsTakenFromTheKeyboard()
{
    QFETCH(QString, first);
    QFETCH(QString, typed);
    QFETCH(bool, okAtOnce);
    QFETCH(QString, expected);
    TemporaryHome home;
    QVERIFY(QDir(home.path()).mkpath("in box/sub"));
    QVERIFY(QFile::link(home.path() + "/in box", home.path() + "/link"));
    typed.replace("<home>", home.path());
    expected.replace("<home>", home.path());
    QGuiApplication::clipboard()->setText(home.path() + "/in box\n");

    ModalWatch watch([&](QWidget* shown) {
        auto* dialog = qobject_cast<FolderPickerDialog*>(shown);
        QVERIFY(dialog);
        dialog->activateWindow(); // as the window manager would
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTRY_COMPARE(dialog->selectedFolder(), home.path()); // opened on home, the tree focused
        QVERIFY(dialog->folderTree()->hasFocus());
        if (first.endsWith("ctrl+l")) {
            if (first.startsWith("field"))
                QTest::mouseClick(dialog->pathField(), Qt::LeftButton);
            press(dialog, Qt::Key_L, Qt::ControlModifier);
            QVERIFY(dialog->pathField()->hasFocus());
            QCOMPARE(dialog->pathField()->selectedText(), home.path());
            if (first == "ctrl+l")
                press(dialog, Qt::Key_End);
        } else if (first == "paste") {
            press(dialog, Qt::Key_V, Qt::ControlModifier);
        }
        typeKeys(dialog, typed);
        if (okAtOnce) {
            okButton(*dialog)->click();

        } else {
            if (typed.endsWith('/'))
                QTRY_VERIFY(dialog->pathField()->completer()->popup()->isVisible());
            press(dialog, Qt::Key_Return);
            QTRY_COMPARE(currentFolder(*dialog), expected);
            QVERIFY(dialog->isVisible());
            press(dialog, Qt::Key_Return);
        }
        QTRY_VERIFY(!dialog->isVisible());
    });
    const QString chosen = BrowseForFolder(nullptr, "prompt");

    QVERIFY(watch.sawDialog());
    QCOMPARE(chosen, expected);
}

void TestFolderPicker::tabCompletesTheTypedName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("tabs");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("movedOn"); // the focus left the field
    QTest::newRow("one name: completed, a slash after it") << "~/Mu" << 1 << "~/Music/" << false;
    QTest::newRow("several: as far as they agree") << "~/Doc" << 1 << "~/Document" << false;
    QTest::newRow("a second Tab moves on") << "~/Mu" << 2 << "~/Music/" << true;
    QTest::newRow("nothing to add: Tab moves on") << "~/Zz" << 1 << "~/Zz" << true;
    QTest::newRow("inside a folder, by its full path")
        << "<home>/Music/j" << 1 << "<home>/Music/jazz/" << false;
}

void TestFolderPicker::tabCompletesTheTypedName()
{
    QFETCH(QString, typed);
    QFETCH(int, tabs);
    QFETCH(QString, expected);
    QFETCH(bool, movedOn);
    TemporaryHome home;
    for (const char* folder : {"Music/jazz", "Documents", "Documentaries", "Downloads"})
        QVERIFY(QDir(home.path()).mkpath(folder));
    typed.replace("<home>", home.path());
    expected.replace("<home>", home.path());

    FolderPickerDialog dialog("prompt");
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTRY_COMPARE(dialog.selectedFolder(), home.path());
    dialog.pathField()->setFocus();
    dialog.pathField()->selectAll();
    typeKeys(&dialog, typed);
    for (int tab = 0; tab < tabs; ++tab) {
        const QString before = dialog.pathField()->text();
        press(&dialog, Qt::Key_Tab);
        // The first Tab may come before the folder is listed: it completes once it is.
        // (The offscreen platform may leave the window inactive: its focus child is asked.)
        QTRY_VERIFY(dialog.pathField()->text() != before ||
                    dialog.focusWidget() != dialog.pathField());
    }
    QCOMPARE(dialog.pathField()->text(), expected);
    QCOMPARE(dialog.pathField()->cursorPosition(), int(expected.size()));
    QCOMPARE(dialog.focusWidget() != dialog.pathField(), movedOn);
}

void TestFolderPicker::typedPathThatIsNoFolderKeepsOkDisabled_data()
{
    QTest::addColumn<QString>("typed");       // <dir> stands for a temporary folder
    QTest::addColumn<bool>("okWhileChecked"); // OK pressed before the check has answered
    QTest::addColumn<bool>("typingStops");    // else the user types on until Return or OK
    QTest::newRow("missing") << "<dir>/not here" << false << false;
    QTest::newRow("a file") << "<dir>/file.txt" << false << false;
    QTest::newRow("not a full path") << "relative/path" << false << false;
    QTest::newRow("relative, though the working folder holds it") << "Documents" << false << false;
    QTest::newRow("missing, OK while it is checked") << "<dir>/not here" << true << false;
    QTest::newRow("a file, OK while it is checked") << "<dir>/file.txt" << true << false;
    QTest::newRow("missing, then the typing stops") << "<dir>/not here" << false << true;
}

void TestFolderPicker::typedPathThatIsNoFolderKeepsOkDisabled()
{
    QFETCH(QString, typed);
    QFETCH(bool, okWhileChecked);
    QFETCH(bool, typingStops);
    QTemporaryDir dir;
    QFile file(dir.filePath("file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QDir(dir.path()).mkdir("Documents"));
    const WorkingFolder workingFolder(dir.path());
    typed.replace("<dir>", dir.path());
    QStyleHints* hints = QGuiApplication::styleHints();
    const int typingInterval = hints->keyboardInputInterval();
    const auto restore = qScopeGuard([&] { hints->setKeyboardInputInterval(typingInterval); });
    if (!typingStops)
        hints->setKeyboardInputInterval(3'600'000);

    FolderPickerDialog dialog("prompt");
    type(dialog, typed);
    if (okWhileChecked) {
        QVERIFY(okButton(dialog)->isEnabled()); // still being checked
        okButton(dialog)->click();
    } else if (!typingStops) {
        QTRY_VERIFY(!okButton(dialog)->isEnabled()); // the check has answered
        QCOMPARE(dialog.pathProblem()->text(), QString());
        QTest::keyClick(dialog.pathField(), Qt::Key_Return);
    }
    QTRY_VERIFY(!dialog.pathProblem()->text().isEmpty());
    QVERIFY(!okButton(dialog)->isEnabled());
    QVERIFY(!dialog.folderTree()->selectionModel()->hasSelection());
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

// The items a screen reader gets that it cannot tell the user anything about: controls without a
// name, and hidden ones. The rows of lists and trees are their own matter.
QStringList unnamedOrHiddenItems(QAccessibleInterface* item)
{
    const QString here = QString("%1 (role %2)")
                             .arg(item->object()->metaObject()->className())
                             .arg(int(item->role()));
    QStringList found;
    if (item->state().invisible ||
        (item->childCount() == 0 && item->text(QAccessible::Name).isEmpty()))
        found << here;
    if (item->role() == QAccessible::List || item->role() == QAccessible::Tree)
        return found;
    for (int i = 0; i < item->childCount(); ++i) {
        if (QAccessibleInterface* child = item->child(i))
            found << unnamedOrHiddenItems(child);
    }
    return found;
}

void TestFolderPicker::screenReadersGetNamedItemsAndPlacePaths()
{
    TemporaryHome home;
    FolderPickerDialog dialog("prompt");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(dialog.selectedFolder(), home.path());

    const QStringList found = unnamedOrHiddenItems(QAccessible::queryAccessibleInterface(&dialog));
    QVERIFY2(found.isEmpty(), qPrintable(found.join(", ")));
    QAccessibleInterface* places = QAccessible::queryAccessibleInterface(dialog.places());
    QVERIFY(places->childCount() > 0);
    for (int i = 0; i < places->childCount(); ++i) {
        QAccessibleInterface* place = places->child(i);
        QCOMPARE(place->text(QAccessible::Description), dialog.places()->item(i)->toolTip());
        QVERIFY(place->text(QAccessible::Description).startsWith('/'));
    }
}

void TestFolderPicker::newFolderIsMadeInTheSelectedOne_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnlyParent");
    QTest::addColumn<QString>("refusal"); // empty: made
    QTest::addColumn<QString>("typed");   // typed into the field after the tree, below the parent
    QTest::newRow("made and selected") << "Holiday 2026" << false << ""
                                       << "";
    QTest::newRow("refused: read-only parent") << "Holiday 2026" << true << "Permission denied"
                                               << "";
    QTest::newRow("refused: there already") << "taken" << false << "File exists"
                                            << "";
    QTest::newRow("refused: a slash in the name") << "a/b" << false << "cannot be a folder's name"
                                                  << "";
    QTest::newRow("made in the folder typed last") << "Holiday 2026" << false << ""
                                                   << "taken/";
}

void TestFolderPicker::newFolderIsMadeInTheSelectedOne()
{
    QFETCH(QString, name);
    QFETCH(bool, readOnlyParent);
    QFETCH(QString, refusal);
    QFETCH(QString, typed);
    QTemporaryDir dir;
    const QString parent = dir.filePath("parent");
    const QString in = QDir::cleanPath(parent + "/" + typed);
    QVERIFY(QDir().mkpath(parent + "/taken"));
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0711) == 0);
    QVERIFY(::chmod(QFile::encodeName(in).constData(), readOnlyParent ? 0555 : 0777) == 0);
    FolderPickerDialog dialog("prompt", parent);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_COMPARE(dialog.selectedFolder(), parent);
    if (!typed.isEmpty()) {
        type(dialog, parent + "/" + typed);
        QTRY_COMPARE(currentFolder(dialog), in); // what the tree shows is what OK takes
        QCOMPARE(dialog.selectedFolder(), in);
    }

    QString message;
    {
        // As root, a folder's permissions refuse nothing.
        Unprivileged asNobody;
        if (!asNobody.holds())
            QSKIP("running as root without the right to become nobody: a folder refuses nothing");
        ModalWatch watch([&](QWidget* shown) {
            if (auto* box = qobject_cast<QMessageBox*>(shown))
                message = box->text();
        });
        dialog.createFolder(name);
        QTRY_VERIFY(!message.isEmpty() || currentFolder(dialog) != in);
    }
    if (refusal.isEmpty()) {
        QCOMPARE(message, QString());
        QCOMPARE(currentFolder(dialog), in + "/" + name);
        QCOMPARE(dialog.selectedFolder(), in + "/" + name);
        QVERIFY(QFileInfo(in + "/" + name).isDir());
    } else {
        QVERIFY2(message.contains(name) && message.contains(refusal), qPrintable(message));
        QCOMPARE(currentFolder(dialog), parent);
        QCOMPARE(QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"taken"});
    }
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
    FolderTreeModel* model = dialog.folderModel();
    QTRY_COMPARE(dialog.selectedFolder(), dir.path());
    QTRY_VERIFY(tree->isExpanded(tree->currentIndex())); // it holds folders: opened once read
    QVERIFY(listsFolder(dialog, dir.path(), "empty"));

    for (const char* name : {"parent", "empty"})
        tree->expand(model->indexOf(dir.filePath(name)));
    QTRY_VERIFY(listsFolder(dialog, dir.filePath("parent"), "child"));
    QTRY_VERIFY(!model->hasChildren(model->indexOf(dir.filePath("empty"))));
    QVERIFY(model->hasChildren(model->indexOf(dir.filePath("parent"))));
    QVERIFY(!tree->isExpanded(model->indexOf(dir.filePath("empty"))));
}

// On the project's FUSE filesystem, whose folder "hang" never answers a listing until let go.
void TestFolderPicker::hungFolderShowsAsNotAnsweringAndCanBeTaken()
{
#ifndef HANGING_FS
    QSKIP("the FUSE test filesystem was not built (libfuse3 missing)");
#else
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("other/sub")));
    const HangingMount hanging(dir);
    if (!hanging.mounted())
        QSKIP("the FUSE filesystem could not be mounted here");
    const QString mount = hanging.path();

    QElapsedTimer closing;
    {
        FolderPickerDialog dialog("prompt", dir.path());
        FolderTreeModel* model = dialog.folderModel();
        const QModelIndex hung = model->addFolder(mount + "/hang");
        model->list(hung);
        model->list(model->addFolder(dir.filePath("other")));
        // The next folder is listed once the hung one has had its patience.
        QTRY_VERIFY_WITH_TIMEOUT(listsFolder(dialog, dir.filePath("other"), "sub"), 10000);
        QVERIFY(!model->isAnswering(hung));
        QVERIFY(hung.data(Qt::DisplayRole).toString().contains("not answering"));
        QVERIFY(hung.data(Qt::ForegroundRole).isValid());

        type(dialog, mount + "/hang/");
        QTRY_COMPARE(dialog.selectedFolder(), mount + "/hang");
        closing.start();
    }
    QVERIFY2(closing.elapsed() < 1000, "closing the chooser waited for the hung listing");
#endif
}

// Checks of names on a mount that does not answer are given up on; once they come back after
// all, the check answers again.
void TestFolderPicker::checksThatCameBackAfterAllNoLongerCountAsStuck()
{
#ifndef HANGING_FS
    QSKIP("the FUSE test filesystem was not built (libfuse3 missing)");
#else
    QTemporaryDir dir;
    HangingMount hanging(dir, "lookup");
    if (!hanging.mounted())
        QSKIP("the FUSE filesystem could not be mounted here");
    FolderCheck check;
    QList<FolderVerdict> verdicts;
    const auto record = [&](FolderVerdict verdict) { verdicts << verdict; };
    for (int i = 0; i < FolderCheck::MAX_STUCK; ++i) {
        check.check(hanging.path() + QString("/not there %1").arg(i), record);
        QTRY_COMPARE_WITH_TIMEOUT(verdicts.size(), i + 1, 2 * FILE_SYSTEM_PATIENCE_MS);
        QCOMPARE(verdicts.last(), FolderVerdict::NoAnswer);
    }
    check.check(dir.path(), record);
    QTRY_COMPARE(verdicts.size(), FolderCheck::MAX_STUCK + 1);
    QCOMPARE(verdicts.last(), FolderVerdict::NoAnswer); // too many stuck: not even asked

    hanging.release(); // the stuck checks come back, a moment later
    const QDeadlineTimer deadline(5000);
    do {
        const qsizetype before = verdicts.size();
        check.check(dir.path(), record);
        QTRY_COMPARE(verdicts.size(), before + 1);
    } while (verdicts.last() != FolderVerdict::Folder && !deadline.hasExpired());
    QCOMPARE(verdicts.last(), FolderVerdict::Folder);
#endif
}

// A bookmark on a mount that hangs ties up a thread the first time the chooser opens, and not
// again each time after it: the places of the later openings come all the same.
void TestFolderPicker::openingsBesideAHungBookmarkLeaveNoMoreThreads()
{
#ifndef HANGING_FS
    QSKIP("the FUSE test filesystem was not built (libfuse3 missing)");
#else
    QTemporaryDir dir;
    const HangingMount hanging(dir, "lookup");
    if (!hanging.mounted())
        QSKIP("the FUSE filesystem could not be mounted here");
    TemporaryHome home;
    QVERIFY(QDir(home.path()).mkpath("Documents"));
    QVERIFY(QDir(home.path()).mkpath(".config/gtk-3.0"));
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const auto restoreConfig = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", oldConfig); });
    QFile bookmarks(home.path() + "/.config/gtk-3.0/bookmarks");
    QVERIFY(bookmarks.open(QIODevice::WriteOnly));
    bookmarks.write("file://" + QUrl::toPercentEncoding(hanging.path(), "/") + "/gone Gone\n");
    bookmarks.close();
    const auto entries = [](const char* folder) {
        return QDir(folder)
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };

    qsizetype threads = 0;
    qsizetype descriptors = 0;
    for (int opening = 1; opening <= 20; ++opening) {
        FolderPickerDialog dialog("prompt");
        dialog.show();
        if (opening == 1) {
            QTest::qWait(500); // the places' read is stuck on the bookmark
            continue;
        }
        if (opening == 2) {
            threads = entries("/proc/self/task");
            descriptors = entries("/proc/self/fd");
        }
        QTRY_VERIFY(dialog.places()->count() >= 3); // home, Documents, the bookmark
    }
    QTRY_VERIFY2(
        entries("/proc/self/task") <= threads + 4,
        qPrintable(
            QString("%1 threads, %2 at first").arg(entries("/proc/self/task")).arg(threads)));
    QTRY_VERIFY2(
        entries("/proc/self/fd") <= descriptors + 4,
        qPrintable(
            QString("%1 descriptors, %2 at first").arg(entries("/proc/self/fd")).arg(descriptors)));
#endif
}

// The slot's folder among 50,000 others, some of them shown before the listing comes.
void TestFolderPicker::largeFolderListedIntoShownRowsKeepsTheWindowTurning()
{
    constexpr int COUNT = 50'000;
    // In memory where it can be: making and removing 100,000 folders on a busy disk takes long.
    QTemporaryDir dir(QFileInfo("/dev/shm").isWritable() ? "/dev/shm/tst_folder_picker-XXXXXX"
                                                         : QString());
    const QString big = dir.filePath("big");
    QVERIFY(QDir().mkdir(big));
    const auto child = [&](int i) { return big + QString("/f%1").arg(i, 5, 10, QLatin1Char('0')); };
    for (int i = 0; i < COUNT; ++i)
        QVERIFY(::mkdir(QFile::encodeName(child(i)).constData(), 0755) == 0);
    FolderPickerDialog dialog("prompt");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    FolderTreeModel* model = dialog.folderModel();
    for (int i = 0; i < COUNT; i += 1000)
        model->addFolder(child(i));

    const LoopGapWatch watch;
    dialog.selectFolder(child(COUNT / 2));
    const QModelIndex parent = model->indexOf(big);
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(parent), COUNT, 60000);
    QCOMPARE(currentFolder(dialog), child(COUNT / 2));
    // Generous for a debug build under a sanitizer; merging name by name takes seconds.
    QVERIFY2(watch.longestMs() < 250, qPrintable(QString::number(watch.longestMs()) + " ms"));
}

void TestFolderPicker::foldersSortAsTheLocaleAndNumbersSay_data()
{
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QStringList>("shownFirst"); // put in the tree before the listing comes
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("numbers by their value")
        << QStringList{"file10", "file9", "file100", "file1"} << QStringList()
        << QStringList{"file1", "file9", "file10", "file100"};
    QTest::newRow("accents beside their letter")
        << QStringList{"Zebra", "Éclair", "Eagle", "apple", "Ezra"} << QStringList()
        << QStringList{"apple", "Eagle", "Éclair", "Ezra", "Zebra"};
    QTest::newRow("case does not split the alphabet")
        << QStringList{"b", "C", "A"} << QStringList() << QStringList{"A", "b", "C"};
    QTest::newRow("merged with folders shown before")
        << QStringList{"file10", "file9", "Éclair", "Eagle", "file2"}
        << QStringList{"file10", "Éclair"}
        << QStringList{"Eagle", "Éclair", "file2", "file9", "file10"};
}

void TestFolderPicker::foldersSortAsTheLocaleAndNumbersSay()
{
    QFETCH(QStringList, made);
    QFETCH(QStringList, shownFirst);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    for (const QString& name : made)
        QVERIFY(QDir(dir.path()).mkdir(name));
    FolderTreeModel model;
    for (const QString& name : shownFirst)
        model.addFolder(dir.filePath(name));
    QSignalSpy listed(&model, &FolderTreeModel::folderListed);
    model.list(model.addFolder(dir.path()));
    QTRY_VERIFY(listed.contains(QVariantList{dir.path()}));

    const QModelIndex parent = model.indexOf(dir.path());
    QStringList shown;
    for (int row = 0; row < model.rowCount(parent); ++row)
        shown << model.index(row, 0, parent).data(Qt::EditRole).toString();
    QCOMPARE(shown, expected);
}

void TestFolderPicker::placesShowHomeTheUsersFoldersAndBookmarks()
{
    TemporaryHome home;
    QVERIFY(QDir(home.path()).mkpath("Documents"));
    QVERIFY(QDir(home.path()).mkpath("Work Stuff"));
    QVERIFY(QDir(home.path()).mkpath(".config/gtk-3.0"));
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(home.path() + "/.config/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                            "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                            "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
                            "XDG_DESKTOP_DIR=\"$HOME/\"\n");
    write("gtk-3.0/bookmarks", "sftp://server/srv Server\n"
                               "file://" +
                                   QUrl::toPercentEncoding(home.path(), "/") +
                                   "/Work%20Stuff Work\n"
                                   "file:///no/such/folder\n");

    FolderPickerDialog dialog("prompt");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListWidget* places = dialog.places();
    QTRY_VERIFY(places->count() >= 3);
    QStringList shown;
    for (int row = 0; row < places->count(); ++row)
        shown << places->item(row)->text() + "=" + places->item(row)->toolTip();
    const QString h = home.path();
    QCOMPARE(shown.mid(0, 3), QStringList({"Home=" + h, "Documents=" + h + "/Documents",
                                           "Work=" + h + "/Work Stuff"}));
    QVERIFY2(!shown.join(' ').contains("/no/such/folder"), qPrintable(shown.join(' ')));

    QListWidgetItem* work = places->item(2);
    QTest::mouseClick(places->viewport(), Qt::LeftButton, {},
                      places->visualItemRect(work).center());
    QTRY_COMPARE(currentFolder(dialog), h + "/Work Stuff");
    QVERIFY(okButton(dialog)->isEnabled());
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

void TestFolderPicker::volumesFromMountInfo_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("volume"); // empty: not a volume
    QTest::newRow("a stick under /media, space in its name")
        << R"(36 25 8:17 / /media/ann/MY\040STICK rw,nosuid - vfat /dev/sdb1 rw)"
        << "/media/ann/MY STICK";
    QTest::newRow("a disk under /run/media, optional fields")
        << "37 25 8:33 / /run/media/ann/DISK rw shared:5 master:1 - ext4 /dev/sdc1 rw"
        << "/run/media/ann/DISK";
    QTest::newRow("an NFS share anywhere")
        << "40 25 0:50 /export /srv/share rw,relatime - nfs4 server:/export rw"
        << "/srv/share";
    QTest::newRow("an sshfs mount") << "41 25 0:51 / /home/ann/remote rw - fuse.sshfs ann@host: rw"
                                    << "/home/ann/remote";
    QTest::newRow("the root file system") << "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw"
                                          << "";
    QTest::newRow("/media itself") << "23 22 0:30 / /media rw - tmpfs tmpfs rw"
                                   << "";
    QTest::newRow("proc") << "24 22 0:22 / /proc rw,nosuid - proc proc rw"
                          << "";
    QTest::newRow("a line cut short") << "25 22 0:22 / /mnt/x"
                                      << "";
}

void TestFolderPicker::volumesFromMountInfo()
{
    QFETCH(QString, line);
    QFETCH(QString, volume);
    QStringList found;
    for (const Place& place : ::volumesFromMountInfo(line + "\n"))
        found << place.path;
    QCOMPARE(found, volume.isEmpty() ? QStringList() : QStringList{volume});
}

MARROWQUILL_TEST_MAIN(TestFolderPicker)
#include "tst_folder_picker.moc"
