#pragma once
#include <windows.h>

#include "menu/PathList.h"
#include "text/NarrowString.h"

// Appends the path of every document open in the host window, in the host's
// order, asking with 2106 /* 0x83A */.
void CollectOpenDocuments(HWND hwnd, PathList& documents);

// The path of the host's active document.
NarrowString GetActiveDocumentPath(HWND hwnd);
