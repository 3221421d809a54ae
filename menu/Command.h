#pragma once
#include <windows.h>

// The plug-in's one command: pops up the host's recent files and folders at
// the mouse cursor and posts the pick back to the host window as the host's
// own command.
void RunRecentCommand(HWND hwnd);
