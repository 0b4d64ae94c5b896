// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "ui/main_window.h"

#include "chooser/folder_picker.h"
#include "core/app_identity.h"
#include "core/screen_info.h"
#include "core/timer.h"
#include "settings/settings_layout.h"
#include "ui/check_value_box.h"
#include "ui/folder_label.h"
#include "ui/main_window_layout.h"
#include "ui/tab_control.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include <vector>

namespace {

const QString folderPrompt = QStringLiteral("Select a folder to watch...");

QString aboutTitle()
{
    return QStringLiteral("%1 for Linux").arg(QLatin1String(PRODUCT_TITLE));
}

QString rightsNotice()
{
    return QStringLiteral("Copyright \u00a9 2026 the Marrowquill developers");
}

// A screen reader presents a plain top-level widget as a "filler"; the program's window is a
// frame, named by its title.
QAccessibleInterface* accessibleWindow(const QString& className, QObject* object)
{
    if (className == QLatin1String("Form1") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

void exposeWindowAsFrame()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(accessibleWindow);
    installed = true;
}

// What a frame needs is the room for its title.
QSize neededSize(const QWidget* control)
{
    if (qobject_cast<const QGroupBox*>(control))
        return control->minimumSizeHint();
    return control->sizeHint();
}

} // namespace

Form1::Form1(const WindowServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Timer1(services.pollTimer), File1(services.fileCounter), m_settings(services.settings),
      m_screen(services.screen),
      m_poll(*this, File1, services.beeper, services.alertBox, services.countPatience),
      m_pickFolder(BrowseForFolder)
{
    exposeWindowAsFrame();
    setWindowTitle(QString::fromLatin1(PRODUCT_TITLE));
    setWindowIcon(QIcon(QStringLiteral(":/marrowquill.xpm")));
    createControls();
    applyLayout();
    setFocusOrder();
    Timer1.setHandler([this] { Timer1_Timer(); });
    Form_Load();

    // From now on a change of any box is the user's, as is a folder chosen or cleared.
    m_saveSoon = new QTimer(this);
    m_saveSoon->setSingleShot(true);
    m_saveSoon->setInterval(SAVE_DELAY_MS);
    connect(m_saveSoon, &QTimer::timeout, this, &Form1::commitData);
    for (CheckValueBox* box : findChildren<CheckValueBox*>())
        connect(box, &CheckValueBox::valueChanged, this, &Form1::saveSoon);
}

// The first change starts the wait; those that follow within it are saved with it, so that
// no change waits longer than SAVE_DELAY_MS however many follow.
void Form1::saveSoon()
{
    if (!m_saveSoon->isActive())
        m_saveSoon->start();
}

Form1::~Form1()
{
    Timer1.stop();
    Timer1.setHandler(nullptr);
}

void Form1::setFolderPicker(FolderPicker picker)
{
    m_pickFolder = std::move(picker);
}

void Form1::createControls()
{
    SSTab1 = new TabControl(this);
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        // The captions are bare numbers; a screen reader says what they number.
        const QString slotName = QStringLiteral("Slot %1").arg(slot + 1);
        QWidget* page = createSlotPage(slot);
        page->setAccessibleName(slotName);
        SSTab1->addTab(page, QString::number(slot + 1));
        SSTab1->tabBar()->setAccessibleTabName(slot, slotName);
    }
    SSTab1->addTab(createAboutPage(), QStringLiteral("About..."));
    SSTab1->setCurrentIndex(SLOT_COUNT); // the About page is in front at every start

    Check4 = new CheckValueBox(QStringLiteral("Alert Sound"), this);
}

QWidget* Form1::createSlotPage(int slot)
{
    auto* page = new QWidget;
    Check1[slot] = new CheckValueBox(QStringLiteral("Active"), page);
    connect(Check1[slot], &CheckValueBox::valueChanged, this, [this, slot] { Check1_Click(slot); });

    Frame1[slot] = new QGroupBox(QStringLiteral("Folder to watch:"), page);
    Label1[slot] = new FolderLabel(Frame1[slot]);
    Command1[slot] = new QPushButton(QStringLiteral("&Set Folder"), Frame1[slot]);
    // The label takes no focus, so the button, which does, tells the whole folder text.
    connect(Label1[slot], &FolderLabel::folderTextChanged, Command1[slot],
            &QWidget::setAccessibleDescription);
    Label1[slot]->setFolderText(QString::fromLatin1(NO_FOLDER_TEXT));
    connect(Command1[slot], &QPushButton::clicked, this, [this, slot] { Command1_Click(slot); });

    Frame2[slot] = new QGroupBox(QStringLiteral("Alert when:"), page);
    Check2[slot] = new CheckValueBox(QStringLiteral("Files added to folder"), Frame2[slot]);
    Check3[slot] = new CheckValueBox(QStringLiteral("Files removed from folder"), Frame2[slot]);
    return page;
}

QWidget* Form1::createAboutPage()
{
    auto* page = new QWidget;
    Image1 = new QLabel(page);
    Image1->setPixmap(QPixmap(QStringLiteral(":/marrowquill.xpm")));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop); // drawn at its own 32 pixels, never scaled
    Label2[0] = new QLabel(aboutTitle(), page);
    Label2[1] = new QLabel(rightsNotice(), page);
    return page;
}

// The tab control first; then, page by page, the button, "Active" and the two alert boxes
// (on the first page "added" before "removed", on the others the other way round); then
// "Alert Sound".
void Form1::setFocusOrder()
{
    std::vector<QWidget*> order{SSTab1};
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        order.push_back(Command1[slot]);
        order.push_back(Check1[slot]);
        if (slot == 0) {
            order.push_back(Check2[slot]);
            order.push_back(Check3[slot]);
        } else {
            order.push_back(Check3[slot]);
            order.push_back(Check2[slot]);
        }
    }
    order.push_back(Check4);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

// Places every control by the twips tables, scaled by one factor so that every caption fits
// in the running font and style.
void Form1::applyLayout()
{
    const QString noFolder = QString::fromLatin1(NO_FOLDER_TEXT);
    std::vector<Fit> fits{
        {neededSize(Check4), layout::CHECK4},
        {neededSize(Label2[0]), layout::LABEL2_0},
        {neededSize(Label2[1]), layout::LABEL2_1},
    };
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        fits.push_back({neededSize(Check1[slot]), layout::CHECK1});
        fits.push_back({neededSize(Frame1[slot]), layout::FRAME1});
        fits.push_back(
            {Label1[slot]->fontMetrics().size(Qt::TextSingleLine, noFolder), layout::LABEL1});
        fits.push_back({neededSize(Command1[slot]), layout::COMMAND1});
        fits.push_back({neededSize(Frame2[slot]), layout::FRAME2});
        fits.push_back({neededSize(Check2[slot]), layout::check2(slot)});
        fits.push_back({neededSize(Check3[slot]), layout::CHECK3});
    }
    m_scale = fittingScale(fits);

    setFixedSize(toPixels(layout::FORM_CLIENT, m_scale).size());
    SSTab1->setGeometry(toPixels(layout::SSTAB1, m_scale));
    Check4->setGeometry(toPixels(layout::CHECK4, m_scale));

    // The tables count from the tab control's corner; the pages start below the tab strip.
    const QPoint page = SSTab1->pageOffset();
    const auto onPage = [&](const Twips& box) { return toPixels(box, m_scale).translated(-page); };
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        Check1[slot]->setGeometry(onPage(layout::CHECK1));
        Frame1[slot]->setGeometry(onPage(layout::FRAME1));
        Label1[slot]->setGeometry(toPixels(layout::LABEL1, m_scale));
        Command1[slot]->setGeometry(toPixels(layout::COMMAND1, m_scale));
        Frame2[slot]->setGeometry(onPage(layout::FRAME2));
        Check2[slot]->setGeometry(toPixels(layout::check2(slot), m_scale));
        Check3[slot]->setGeometry(toPixels(layout::CHECK3, m_scale));
    }
    Image1->setGeometry(onPage(layout::IMAGE1));
    Label2[0]->setGeometry(onPage(layout::LABEL2_0));
    Label2[1]->setGeometry(onPage(layout::LABEL2_1));
    if (isRightToLeft())
        mirrorLayout();
}

// Right to left (Qt's -reverse) the layout is mirrored as a whole: each control keeps its size
// and its distance from the other side of what holds it.
void Form1::mirrorLayout()
{
    const auto mirror = [](QWidget* control, int holderWidth) {
        control->move(holderWidth - control->x() - control->width(), control->y());
    };
    mirror(SSTab1, width());
    mirror(Check4, width());
    const int pageWidth = SSTab1->width() - 2 * SSTab1->pageOffset().x();
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        mirror(Check1[slot], pageWidth);
        mirror(Frame1[slot], pageWidth);
        mirror(Frame2[slot], pageWidth);
        mirror(Label1[slot], Frame1[slot]->width());
        mirror(Command1[slot], Frame1[slot]->width());
        mirror(Check2[slot], Frame2[slot]->width());
        mirror(Check3[slot], Frame2[slot]->width());
    }
    mirror(Image1, pageWidth);
    mirror(Label2[0], pageWidth);
    mirror(Label2[1], pageWidth);
}

void Form1::Form_Load()
{
    pollState().firstPass = true;
    LoadSettings(*this, m_settings);
    for (int index = 0; index < SLOT_COUNT; ++index)
        Check1_Click(index);
    centreOnScreen();
    Timer1.start(POLL_INTERVAL_MS);
}

// Centred on the primary screen, by the window's outer size as far as it is known.
void Form1::centreOnScreen()
{
    const QRect screen = m_screen.geometry();
    if (screen.isEmpty())
        return;
    move(centredTopLeft(screen, frameGeometry().size()));
}

void Form1::Check1_Click(int index)
{
    const bool enabled = isSet(Check1[index]->value());
    Label1[index]->setEnabled(enabled);
    Command1[index]->setEnabled(enabled);
    Check2[index]->setEnabled(enabled);
    Check3[index]->setEnabled(enabled);
}

void Form1::Command1_Click(int index)
{
    const QString chosen = m_pickFolder(this, folderPrompt, Label1[index]->folderText());
    saveSoon();
    if (!chosen.isEmpty()) {
        Label1[index]->setFolderText(chosen);
        return;
    }
    Label1[index]->setFolderText(QString::fromLatin1(NO_FOLDER_TEXT));
    Check1[index]->setValue(CHECK_UNCHECKED);
}

void Form1::Form_QueryUnload()
{
    if (m_saved)
        return;
    m_saved = true;
    SaveSettings(*this, m_settings);
}

void Form1::commitData()
{
    SaveSettings(*this, m_settings);
}

void Form1::Timer1_Timer()
{
    m_poll.Timer1_Timer();
}

void Form1::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    m_saveSoon->stop();
    Timer1.stop();
    m_poll.stop();
    // A dialog still open (an alert, the folder chooser) is a window of its own and would
    // outlive this one; it closes now, so that the handler waiting in it returns.
    for (QDialog* dialog : findChildren<QDialog*>()) {
        if (dialog->isVisible())
            dialog->reject();
    }
    event->accept();
}

CheckValue Form1::active(int slot) const
{
    return Check1.at(slot)->value();
}

QString Form1::folder(int slot) const
{
    return Label1.at(slot)->folderText();
}

CheckValue Form1::alertAdded(int slot) const
{
    return Check2.at(slot)->value();
}

CheckValue Form1::alertRemoved(int slot) const
{
    return Check3.at(slot)->value();
}

CheckValue Form1::alertSound() const
{
    return Check4->value();
}

void Form1::setActive(int slot, CheckValue value)
{
    Check1.at(slot)->setValue(value);
}

void Form1::setFolder(int slot, const QString& text)
{
    Label1.at(slot)->setFolderText(text);
}

void Form1::setAlertAdded(int slot, CheckValue value)
{
    Check2.at(slot)->setValue(value);
}

void Form1::setAlertRemoved(int slot, CheckValue value)
{
    Check3.at(slot)->setValue(value);
}

void Form1::setAlertSound(CheckValue value)
{
    Check4->setValue(value);
}
