#pragma once
#include <windows.h>

// The plug-in's two kinds of text: ANSI bytes (char), as its lists and
// labels are read, and UTF-16 units (wchar_t), as the host stored them.
// Every rule that both follow is written once over the unit type, through
// these overloads: the Windows string call of each kind, and where its
// characters begin.

inline int TextLength(const char* text)
{
    return lstrlenA(text);
}
inline int TextLength(const wchar_t* text)
{
    return lstrlenW(text);
}

inline bool CopyText(char* destination, const char* text)
{
    return lstrcpyA(destination, text) != nullptr;
}
inline bool CopyText(wchar_t* destination, const wchar_t* text)
{
    return lstrcpyW(destination, text) != nullptr;
}

// The first count units of text and a terminator.
inline bool CopyHead(char* destination, const char* text, int count)
{
    return lstrcpynA(destination, text, count + 1) != nullptr;
}
inline bool CopyHead(wchar_t* destination, const wchar_t* text, int count)
{
    return lstrcpynW(destination, text, count + 1) != nullptr;
}

inline bool AppendText(char* destination, const char* text)
{
    return lstrcatA(destination, text) != nullptr;
}
inline bool AppendText(wchar_t* destination, const wchar_t* text)
{
    return lstrcatW(destination, text) != nullptr;
}

// The first unit of the next character. An ANSI trail byte may have a
// backslash's value, so ANSI text steps by its code page; no unit of a
// UTF-16 surrogate pair is ever a separator, so UTF-16 steps by unit.
inline const char* NextCharacter(const char* character)
{
    return CharNextA(character);
}
inline const wchar_t* NextCharacter(const wchar_t* character)
{
    return character + 1;
}

// Whether the first cut bytes of text end inside a double-byte character.
// cut is at most the length of text.
bool EndsInLeadByte(const char* text, int cut);

// cut moved back to the first unit of the character that it would split, so
// that the first cut units of text hold whole characters only: past a
// double-byte lead byte, into a UTF-8 sequence when the code page is UTF-8,
// between the two halves of a surrogate pair. cut is at most the length of
// text; one of 0 or less stays.
int CharacterCut(const char* text, int cut);
int CharacterCut(const wchar_t* text, int cut);

// The last character of text whose first unit is c; null when there is none.
template <class Unit>
const Unit* ReverseFindChar(const Unit* text, Unit c)
{
    const Unit* found = nullptr;
    for (const Unit* character = text; *character != 0; character = NextCharacter(character)) {
        if (*character == c)
            found = character;
    }
    return found;
}

// Copies text to out with every '&' doubled, so that a menu shows it rather
// than taking it for an access-key marker, and returns the end of what was
// written; out has room for twice the text and a terminator. Only a
// character's first unit is ever doubled.
template <class Unit>
Unit* CopyDoublingAmpersands(Unit* out, const Unit* text)
{
    for (const Unit* c = text; *c != 0;) {
        const Unit* next = NextCharacter(c);
        if (*c == '&')
            *out++ = '&';
        while (c != next)
            *out++ = *c++;
    }
    *out = 0;
    return out;
}
