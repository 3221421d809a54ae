#pragma once
#include <windows.h>

#include <cstring>
#include <new>
#include <utility>

#include "text/NarrowString.h"

// A zero-terminated UTF-16 text that the plug-in only hands on to Windows:
// owned whole, copied whole, never changed. Its storage comes from operator
// new, so running out of memory throws as it does for NarrowString.
class WideString {
public:
    WideString() = default;
    WideString(const wchar_t* text, size_t length)
    {
        Assign(text, length);
    }
    WideString(const WideString& other)
    {
        Assign(other.text_, other.length_);
    }
    WideString(WideString&& other) noexcept
        : text_(std::exchange(other.text_, nullptr)), length_(std::exchange(other.length_, 0))
    {
    }
    WideString& operator=(WideString other) noexcept
    {
        std::swap(text_, other.text_);
        std::swap(length_, other.length_);
        return *this;
    }
    ~WideString() { ::operator delete(text_); }

    bool IsEmpty() const { return length_ == 0; }
    int Length() const { return static_cast<int>(length_); }
    const wchar_t* Text() const { return text_ ? text_ : L""; }

private:
    void Assign(const wchar_t* text, size_t length)
    {
        if (length == 0)
            return;
        text_ = static_cast<wchar_t*>(::operator new((length + 1) * sizeof(wchar_t)));
        std::memcpy(text_, text, length * sizeof(wchar_t));
        text_[length] = 0;
        length_ = length;
    }

    wchar_t* text_ = nullptr;
    size_t length_ = 0;
};

// Whether the ANSI text, read in the ANSI code page, gives exactly the UTF-16
// one: then the ANSI text stands for it without loss. Texts longer than a
// path buffer are never compared, and count as different.
bool SpellsExactly(const char* ansi, int ansiLength, const wchar_t* wide, int wideLength);

// text in the ANSI code page, whatever its length, as the ANSI registry
// calls give it: a character that the code page lacks becomes '?' or a
// look-alike.
NarrowString InAnsiCodePage(const WideString& text);
