#pragma once

// Whether the reads with the longest answers (a packed archive read, both
// spectra) succeed at each line speed with the default latency.
bool MeasureLineFit();
