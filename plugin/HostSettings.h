#pragma once

// The host's display settings under HKEY_CURRENT_USER, read afresh at every
// call and never written.

// Registry paths of the host's data.
constexpr const char CommonSettingsKey[] = "Software\\EmSoft\\EmEditor v3\\Common";
constexpr const char RecentFileListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent File List";
constexpr const char RecentFolderListKey[] = "Software\\EmSoft\\EmEditor v3\\Recent Folder List";

// The access-key mode for menu items past the tenth: the stored number, or
// -1 when the setting is missing, not a REG_DWORD or longer than 4 bytes.
int ReadExtraShortCut();

// Whether files of the current directory may be shown by name alone: true
// only for a REG_DWORD that is not 0.
bool ReadStripCurPath();
