#pragma once

class QTreeWidget;

namespace MListViewFunctions {

// Makes every column of a report-style list as wide as the wider of its header and its
// contents. Repainting is held off while the widths change, so the list does not flicker.
void AutosizeColumns(QTreeWidget &listView);

} // namespace MListViewFunctions
