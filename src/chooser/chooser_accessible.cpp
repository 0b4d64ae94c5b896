// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Marrowquill developers

#include "chooser/chooser_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

class ChooserAccessible final : public QAccessibleWidget
{
public:
    explicit ChooserAccessible(QWidget* dialog) : QAccessibleWidget(dialog, QAccessible::Dialog) {}

    static QAccessibleInterface* factory(const QString& className, QObject* object)
    {
        if (className == QLatin1String("FolderPickerDialog") && object->isWidgetType())
            return new ChooserAccessible(static_cast<QWidget*>(object));
        return nullptr;
    }

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return int(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shown() const
    {
        QList<QWidget*> children;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->isHidden())
                children << child;
        }
        return children;
    }
};

} // namespace

void installChooserAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(ChooserAccessible::factory);
        return true;
    }();
    Q_UNUSED(installed);
}
