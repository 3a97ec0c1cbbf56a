#pragma once

// Reads 20 records of all 19 archive variables from the paced emulator at
// 9600 and 115200 baud, one variable a request and packed, and prints for
// each "archive-read baud=… packing=off|on ms_per_record=… floor_ms=…
// ratio=…". False when a read fails or a record differs from the archive.
bool MeasureArchiveRead();
