#pragma once

// Hands a 10 000-record archive of the six variables read by default to the
// chart window and draws it; prints "archive-chart records=… columns=… ms=…".
bool MeasureArchiveChart();
