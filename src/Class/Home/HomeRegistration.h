#pragma once

// The main window's part of the application's start-up, called once by main(): gives the
// personal centre the sign-out confirmation (KXQuitView) it lays over itself.
void registerHomePages();
