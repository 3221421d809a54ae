#pragma once
#include <string>

// Files and folders for the demo's and the tests' sample profiles. Paths
// are full, in the ANSI code page, with backslashes.

// Makes every folder on the way to path, path included.
void MakeFolders(const std::string& path);

// Makes an empty file, and the folders it lies in.
void MakeFile(const std::string& path);

// Removes a folder with everything in it, whatever the names.
void RemoveTree(const std::string& path);
