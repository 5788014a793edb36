#include "listview/mlistviewfunctions.h"

#include <QTreeWidget>

namespace MListViewFunctions {

void AutosizeColumns(QTreeWidget &listView)
{
    // Repaint once, after every width is set.
    listView.setUpdatesEnabled(false);
    for (int column = 0; column < listView.columnCount(); ++column)
        listView.resizeColumnToContents(column); // the wider of header and contents
    listView.setUpdatesEnabled(true);
}

} // namespace MListViewFunctions
