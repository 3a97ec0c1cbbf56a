#pragma once

// The history store against its targets, in one run: a year of minute
// records inserted against sqlite3's own .import of the same rows
// ("history-insert"), the drawn envelope of six columns over the year and
// over a day ("history-chart"), the store's bytes per record against the
// .daf file's ("history-size") and the request frames of a sync after new
// records against their floor ("history-sync").
bool MeasureHistory();
