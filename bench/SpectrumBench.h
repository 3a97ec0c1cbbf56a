#pragma once

// Peak search and regions on the emulator's main spectrum with its
// background; prints "spectrum-peaks channels=1024 ms=…".
bool MeasureSpectrumPeaks();
