#pragma once

// Writes an archive file of at least 50 MB with all 19 variables, loads it
// into the device model's archive and shows it in the archive view, as the
// main window does; prints "archive-file records=… bytes=… peak_ratio=…
// kept_ratio=… ms=…".
bool MeasureArchiveFile();
