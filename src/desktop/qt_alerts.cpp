// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "desktop/qt_alerts.h"

#include "desktop/desktop_windows.h"
#include "desktop/qt_desktop_windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

namespace {

// Swallows the keys and clicks meant for the box until the user has had a quiet moment to see
// it. It watches the whole application, since keys reach the box's focused button, not the box.
class InputGuard final : public QObject
{
public:
    InputGuard(QWidget* box, int quietMs) : m_box(box), m_quietMs(quietMs)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (watched == m_box && type == QEvent::Show) {
            m_shown.start();
            m_keysQuiet.start();
        }
        if (!(isKey(type) || isClick(type)) || !inBox(watched))
            return false;
        const QElapsedTimer& quiet = isKey(type) ? m_keysQuiet : m_shown;
        if (quiet.isValid() && quiet.hasExpired(m_quietMs))
            return false;
        if (isKey(type)) // typing goes on: the quiet moment starts again
            m_keysQuiet.start();
        return true;
    }

private:
    static bool isKey(QEvent::Type type)
    {
        return type == QEvent::KeyPress || type == QEvent::KeyRelease ||
               type == QEvent::ShortcutOverride || type == QEvent::Shortcut;
    }
    static bool isClick(QEvent::Type type)
    {
        return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
               type == QEvent::MouseButtonDblClick;
    }
    bool inBox(QObject* object) const
    {
        auto* widget = qobject_cast<QWidget*>(object);
        return widget && (widget == m_box || m_box->isAncestorOf(widget));
    }

    QWidget* m_box;
    int m_quietMs;
    QElapsedTimer m_shown;
    QElapsedTimer m_keysQuiet;
};

} // namespace

void QtBeeper::beep()
{
    QApplication::beep();
}

QtMessageBox::QtMessageBox(const QString& title, QWidget* owner) : m_owner(owner), m_title(title) {}

void QtMessageBox::show(const QString& prompt)
{
    // Over another modal dialog (the folder chooser) the box belongs to that dialog, which
    // would otherwise keep the user from answering it.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = m_owner.data();
    QMessageBox box(QMessageBox::NoIcon, m_title, prompt, QMessageBox::Ok, owner);
    box.setModal(false); // a message box is made modal in Qt's sense: see runModal
    // A path may hold characters that rich text would read as markup.
    box.setTextFormat(Qt::PlainText);
    const InputGuard guard(&box, INPUT_QUIET_MS);

    // A box that comes while the user types in another program must not take their keys: it
    // maps without activation (the window manager is told so) and asks for their attention
    // until they come to it. When this program has the keyboard, the box takes it, as any
    // dialog would, and asks for attention only where the window manager keeps it behind.
    const bool takeKeyboard =
        m_desktop ? m_desktop->hasKeyboard() : QtDesktopWindows().hasKeyboard();
    box.setAttribute(Qt::WA_ShowWithoutActivating, !takeKeyboard);

    bool told = false;
    const auto tell = [&](bool on) {
        if (told == on || !m_desktop)
            return;
        told = on;
        for (QWidget* window : {static_cast<QWidget*>(&box), owner}) {
            if (window)
                m_desktop->setAttention(window, on);
        }
    };
    const auto tellUnlessInFront = [&] {
        if (!box.windowHandle()->isActive())
            tell(true);
    };
    QMetaObject::Connection cameInFront;
    if (m_desktop) {
        // The native window is made once its flags are set: the X11 plugin makes a new one
        // when a flag such as stay-on-top changes, and what was asked of the old one is lost.
        m_desktop->prepareAlert(&box, owner);
        box.winId();
        // Exactly while the box is not in front: a window manager may activate it for a
        // moment and give the keyboard back, and the user who leaves it unanswered is told
        // again.
        cameInFront = QObject::connect(box.windowHandle(), &QWindow::activeChanged, &box, [&] {
            tell(box.isVisible() && !box.windowHandle()->isActive());
        });
        QTimer::singleShot(0, &box, [&] {
            m_desktop->alertShown(&box, takeKeyboard);
            if (!takeKeyboard)
                return tellUnlessInFront();
            QTimer::singleShot(IN_FRONT_PATIENCE_MS, &box, tellUnlessInFront);
        });
    }
    runModal(box, owner);
    QObject::disconnect(cameInFront); // `tell` goes before the box
    tell(false);
}

// Qt asks the window manager to activate a modal window as it maps, even one shown without
// activation (Qt::WA_ShowWithoutActivating), and some window managers grant it while the user
// types elsewhere. So the box is not modal in Qt's sense: its owner is disabled while it is up,
// and the window manager is told that it is modal (DesktopWindows::alertShown).
void QtMessageBox::runModal(QMessageBox& box, QWidget* owner)
{
    const bool ownerWasEnabled = owner && owner->isEnabled();
    const QPointer<QWidget> focused = owner ? owner->focusWidget() : nullptr;
    if (owner)
        owner->setEnabled(false);
    box.setEnabled(true); // a window of its own, though a child of its disabled owner
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.show();
    loop.exec(QEventLoop::DialogExec);
    if (ownerWasEnabled)
        owner->setEnabled(true);
    if (focused) // disabling took the focus from it
        focused->setFocus();
}
