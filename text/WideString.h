#pragma once
#include <windows.h>

#include <cstring>
#include <new>
#include <utility>

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
