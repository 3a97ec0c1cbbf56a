#pragma once

// How much full log pages slow a read down, without and with an assistive
// tool attached.
bool MeasureLogs();
// The run with the accessibility bridge on, in a process of its own under a
// virtual display (started by MeasureLogs).
bool MeasureLogsUnderAccessibility();
