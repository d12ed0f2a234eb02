// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/menutext.h"

#include <QAction>
#include <QCoreApplication>

namespace {
constexpr char kSource[] = "quillmarkMenuSource";
}

QAction* withMenuText(QAction* action, const char* source)
{
    action->setProperty(kSource, QByteArray(source));
    action->setText(QCoreApplication::translate("Menus", source));
    return action;
}

void retranslateMenus(const QObject& root)
{
    for (QAction* action : root.findChildren<QAction*>()) {
        const QVariant source = action->property(kSource);
        if (source.isValid())
            action->setText(QCoreApplication::translate("Menus", source.toByteArray().constData()));
    }
}
