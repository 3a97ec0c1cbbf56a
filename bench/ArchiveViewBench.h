#pragma once

// Hands a 10 000-record archive with all 19 variables to the archive view
// and shows it; prints "archive-view records=… columns=… ms=…".
bool MeasureArchiveView();
