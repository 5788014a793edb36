#pragma once
// The main window's hardware tree as the window tests walk it.
#include "windows/main/frigscope.h"

#include <QTreeWidget>

// The class node with this label under the computer, or nullptr.
inline QTreeWidgetItem *classNode(fRigscope *window, const QString &label)
{
    QTreeWidgetItem *computer = window->trvComputer->topLevelItem(0);
    for (int i = 0; i < computer->childCount(); ++i)
        if (computer->child(i)->text(0) == label)
            return computer->child(i);
    return nullptr;
}
