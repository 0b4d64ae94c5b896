// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#pragma once

#include "core/poll_cycle.h"

#include <QWidget>

#include <array>
#include <functional>

class CheckValueBox;
class FolderLabel;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class ScreenInfo;
class SettingsStore;
class TabControl;

// What the window needs from the system, made by the program's main (or a test) and kept alive
// for as long as the window.
struct WindowServices
{
    SettingsStore& settings;
    FileCounter& fileCounter;
    Timer& pollTimer;
    // The single-shot timer with which a tick waits for a count.
    Timer& countPatience;
    Beeper& beeper;
    MessageBox& alertBox;
    const ScreenInfo& screen;
};

// The program's only window: five watch slots on tabs "1" to "5", an About tab and the
// "Alert Sound" option. Its controls hold the slot fields, so what the user sees is what the
// poll reads and the settings keep. Creating it runs its load sequence; closing it saves.
class Form1 : public QWidget, public SlotFields
{
    Q_OBJECT

public:
    // A change the user makes is saved this long after it, together with any made meanwhile,
    // so that a run that ends without a close (a killed process, a lost display) keeps it.
    static constexpr int SAVE_DELAY_MS = 1000;

    // Shows a modal folder chooser owned by `owner`, opened on the slot's current folder; the
    // chosen folder's path, or the empty text when the user cancels.
    using FolderPicker =
        std::function<QString(QWidget* owner, const QString& prompt, const QString& currentFolder)>;

    explicit Form1(const WindowServices& services, QWidget* parent = nullptr);
    ~Form1() override;

    void setFolderPicker(FolderPicker picker);

    // Handlers.
    void Form_Load();
    void Check1_Click(int index);
    void Command1_Click(int index);
    void Form_QueryUnload();
    void Timer1_Timer();
    // Saves the settings now, as closing does, and leaves the window open: the session manager
    // asks for this before a logout that may still be cancelled.
    void commitData();

    // Slot fields.
    CheckValue active(int slot) const override;
    QString folder(int slot) const override;
    CheckValue alertAdded(int slot) const override;
    CheckValue alertRemoved(int slot) const override;
    CheckValue alertSound() const override;
    void setActive(int slot, CheckValue value) override;
    void setFolder(int slot, const QString& text) override;
    void setAlertAdded(int slot, CheckValue value) override;
    void setAlertRemoved(int slot, CheckValue value) override;
    void setAlertSound(CheckValue value) override;

    // The controls, by the names the program gives them.
    TabControl* SSTab1 = nullptr;
    CheckValueBox* Check4 = nullptr;
    std::array<CheckValueBox*, SLOT_COUNT> Check1{};
    std::array<QGroupBox*, SLOT_COUNT> Frame1{};
    std::array<FolderLabel*, SLOT_COUNT> Label1{};
    std::array<QPushButton*, SLOT_COUNT> Command1{};
    std::array<QGroupBox*, SLOT_COUNT> Frame2{};
    std::array<CheckValueBox*, SLOT_COUNT> Check2{};
    std::array<CheckValueBox*, SLOT_COUNT> Check3{};
    QLabel* Image1 = nullptr;
    std::array<QLabel*, 2> Label2{};
    Timer& Timer1;
    FileCounter& File1;

    PollState& pollState() { return m_poll.state(); }
    const PollCycle& poll() const { return m_poll; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    QWidget* createSlotPage(int slot);
    QWidget* createAboutPage();
    void setFocusOrder();
    void applyLayout();
    void mirrorLayout();
    void centreOnScreen();
    void saveSoon();

    SettingsStore& m_settings;
    const ScreenInfo& m_screen;
    PollCycle m_poll;
    FolderPicker m_pickFolder;
    double m_scale = 1.0;
    bool m_saved = false;
    QTimer* m_saveSoon = nullptr;
};
