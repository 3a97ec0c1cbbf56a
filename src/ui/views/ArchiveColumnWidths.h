#pragma once

#include <vector>

class QFont;
class TDeviceArchive;

namespace ArchiveColumnWidths {

// Pixels added to the widest text of a column: the cell's text margins and
// its grid line.
constexpr int kTextMargin = 7;
constexpr int kMinimumWidth = 10;

// The width of every column of the archive: its widest text (the name
// heading it or any of its values) in the grid's font, in whole pixels,
// plus kTextMargin, and at least kMinimumWidth.
std::vector<int> Fit(const TDeviceArchive& archive, const QFont& grid);

}  // namespace ArchiveColumnWidths
