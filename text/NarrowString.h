#pragma once
#include <windows.h>

// A zero-terminated byte string in the system's ANSI code page (possibly a
// double-byte one), with its byte length at hand. Copies share one
// reference-counted storage until one of them changes (copy on write), and
// one static storage that is never counted or freed stands for every empty
// text. All lengths and positions count bytes.
//
// A value is one pointer, to the first character of its storage block:
//   [refCount][length][capacity][capacity + 1 bytes: text, 0 at length]
class NarrowString {
public:
    NarrowString() noexcept;
    NarrowString(const NarrowString& other);
    // A pointer below 0x10000 is a string resource id, loaded from the
    // plug-in's module; null is the empty text.
    NarrowString(const char* text);
    ~NarrowString();

    NarrowString& operator=(const NarrowString& other);
    NarrowString& operator=(const char* text);

    // Adds text at the end; appending a value to itself is correct.
    NarrowString& Append(const NarrowString& text);
    NarrowString& operator+=(const NarrowString& text) { return Append(text); }

    // The first count bytes, clamped to 0..Length().
    NarrowString Prefix(int count) const;
    // count bytes from first, both clamped to the text.
    NarrowString Substring(int first, int count) const;
    // Everything from first to the end.
    NarrowString Substring(int first) const;

    // Byte position of the last character whose first byte is c, or -1. The
    // walk steps over whole characters, so a trail byte is never matched.
    int ReverseFindChar(char c) const;

    // A writable buffer of at least minLength bytes plus a terminator, holding
    // the current text, for a Windows call to fill.
    char* OpenBuffer(int minLength);
    // Ends a write through OpenBuffer: the new length, at most the capacity,
    // or -1 (any negative) to take the length up to the first 0 byte.
    void CloseBuffer(int newLength = -1);

    // printf-style formatting into this value; output past 2048 bytes is cut.
    bool FormatText(const char* format, ...);

    // Replaces the text by string resource id of the plug-in's module; true
    // when the loaded text is not empty.
    bool LoadFromResource(UINT id);

    int Length() const { return Header()->length; }
    int Capacity() const { return Header()->capacity; }
    // The number of values sharing the storage; -1 for the shared empty one.
    LONG RefCount() const { return Header()->refCount; }
    bool IsEmpty() const { return Length() == 0; }
    const char* Text() const { return chars_; }
    operator const char*() const { return chars_; }

private:
    struct Storage {
        LONG refCount;
        int length;
        int capacity;
    };

    // New storage holding a copy of count bytes.
    NarrowString(const char* bytes, int count);

    // Storage for exactly capacity bytes, their text not yet written; the
    // shared empty value for 0.
    static char* NewStorage(int capacity);

    Storage* Header() const { return reinterpret_cast<Storage*>(chars_) - 1; }
    void AssignBytes(const char* bytes, int count);
    void SetLength(int length);

    char* chars_;

    friend NarrowString Concat(const NarrowString& first, const NarrowString& second);
};

// A new value holding first followed by second.
NarrowString Concat(const NarrowString& first, const NarrowString& second);
inline NarrowString operator+(const NarrowString& first, const NarrowString& second)
{
    return Concat(first, second);
}

// Equality as lstrcmpA sees it: case-sensitive, by the user's locale.
bool operator==(const NarrowString& first, const NarrowString& second);
inline bool operator!=(const NarrowString& first, const NarrowString& second)
{
    return !(first == second);
}
