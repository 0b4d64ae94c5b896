#pragma once

#include "platform/alerts.h"

#include <QPointer>

class QWidget;

// Rings the desktop's bell.
class QtBeeper final : public Beeper
{
public:
    void beep() override;
};

// A QMessageBox with no icon and only an OK button, modal to its owner window.
class QtMessageBox final : public MessageBox
{
public:
    QtMessageBox(QWidget* owner, const QString& title);

    void show(const QString& prompt) override;

private:
    QPointer<QWidget> m_owner;
    QString m_title;
};
