#pragma once

// The main screen's scale factor (its device pixel ratio), kept as one atomic value so that any
// thread can read it without touching QScreen, which belongs to the GUI thread. It is 1 until the
// GUI thread sets it, and stays 1 in a process without a GUI.
double ILMainScreenScale();

// Stores a scale (values below 1 are stored as 1). Any thread may call it.
void ILSetMainScreenScale(double scale);

// Reads the primary screen's device pixel ratio and stores it; without a GUI application or a
// screen nothing changes. Call on the GUI thread (at start-up and when the screen changes).
void ILUpdateMainScreenScale();
