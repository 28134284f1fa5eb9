#pragma once

class QWidget;

// Prints, once `window` has painted its first frame, the CLOCK_MONOTONIC time
// in ms and the peak resident memory in kB, then ends the program.
void reportFirstFrame(QWidget *window);
