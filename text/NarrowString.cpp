#include "text/NarrowString.h"

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#include <new>
#include <utility>

#include "plugin/Module.h"
#include "text/TextUnits.h"

namespace {

// The one storage behind every empty text. It is never counted, freed or
// written, so it lives in read-only memory: a stray write faults at once
// instead of quietly changing every empty text.
struct EmptyStorage {
    LONG refCount;
    int length;
    int capacity;
    char terminator;
};
const EmptyStorage SharedEmpty = {-1, 0, 0, 0};
char* const EmptyChars = const_cast<char*>(&SharedEmpty.terminator);

// FormatText keeps at most this many bytes of output.
constexpr int FormatWindow = 2048;

// LoadFromResource reads through a local buffer of this size first and grows
// its own storage by the same step for longer texts.
constexpr int ResourceStep = 256;

} // namespace

char* NarrowString::NewStorage(int capacity)
{
    static_assert(offsetof(EmptyStorage, terminator) == sizeof(Storage),
                  "the empty storage must have the layout of every other");
    if (capacity == 0)
        return EmptyChars;
    Storage* header = static_cast<Storage*>(::operator new(sizeof(Storage) + capacity + 1));
    header->refCount = 1;
    header->length = capacity;
    header->capacity = capacity;
    char* chars = reinterpret_cast<char*>(header + 1);
    chars[capacity] = '\0';
    return chars;
}

// The only writer of length and terminator, so the shared empty value is
// never written, not even with the zeros it already holds.
void NarrowString::SetLength(int length)
{
    if (chars_ == EmptyChars)
        return;
    Header()->length = length;
    chars_[length] = '\0';
}

NarrowString::NarrowString() noexcept : chars_(EmptyChars) {}

NarrowString::NarrowString(const char* bytes, int count) : chars_(NewStorage(count))
{
    CopyMemory(chars_, bytes, count);
}

// A storage with a negative count is never shared: the copy gets its bytes.
NarrowString::NarrowString(const NarrowString& other) : chars_(other.chars_)
{
    if (Header()->refCount >= 0) {
        InterlockedIncrement(&Header()->refCount);
        return;
    }
    chars_ = NewStorage(lstrlenA(other.chars_));
    CopyMemory(chars_, other.chars_, Length());
}

// Delegating to the default constructor makes this value complete before a
// resource is loaded, so a failure while loading still releases its storage.
NarrowString::NarrowString(const char* text) : NarrowString()
{
    if (text == nullptr)
        return;
    if (IS_INTRESOURCE(text)) {
        LoadFromResource(LOWORD(reinterpret_cast<ULONG_PTR>(text)));
        return;
    }
    chars_ = NewStorage(lstrlenA(text));
    CopyMemory(chars_, text, Length());
}

NarrowString::~NarrowString()
{
    if (chars_ != EmptyChars && InterlockedDecrement(&Header()->refCount) <= 0)
        ::operator delete(Header());
}

NarrowString& NarrowString::operator=(const NarrowString& other)
{
    if (chars_ == other.chars_)
        return *this;
    if (other.Header()->refCount < 0) {
        AssignBytes(other.chars_, other.Length());
        return *this;
    }
    NarrowString shared(other);
    std::swap(chars_, shared.chars_);
    return *this;
}

NarrowString& NarrowString::operator=(const char* text)
{
    AssignBytes(text, text == nullptr ? 0 : lstrlenA(text));
    return *this;
}

void NarrowString::AssignBytes(const char* bytes, int count)
{
    // Keeps the old storage alive until the copy is done, since the bytes may
    // lie in it; this value is empty meanwhile, should the allocation fail.
    NarrowString old;
    if (RefCount() > 1 || Capacity() < count) {
        std::swap(chars_, old.chars_);
        chars_ = NewStorage(count);
    }
    MoveMemory(chars_, bytes, count);
    SetLength(count);
}

NarrowString& NarrowString::Append(const NarrowString& text)
{
    const int added = text.Length();
    if (added == 0)
        return *this;
    const int length = Length();
    if (RefCount() <= 1 && length + added <= Capacity()) {
        CopyMemory(chars_ + length, text.chars_, added);
        SetLength(length + added);
        return *this;
    }
    NarrowString joined = Concat(*this, text);
    std::swap(chars_, joined.chars_);
    return *this;
}

NarrowString Concat(const NarrowString& first, const NarrowString& second)
{
    NarrowString joined;
    joined.chars_ = NarrowString::NewStorage(first.Length() + second.Length());
    CopyMemory(joined.chars_, first.chars_, first.Length());
    CopyMemory(joined.chars_ + first.Length(), second.chars_, second.Length());
    return joined;
}

NarrowString NarrowString::Prefix(int count) const
{
    if (count < 0)
        count = 0;
    if (count > Length())
        count = Length();
    return NarrowString(chars_, count);
}

NarrowString NarrowString::Substring(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (count < 0)
        count = 0;
    if (count > Length() - first)
        count = Length() - first;
    if (first > Length() || count == 0)
        return NarrowString();
    return NarrowString(chars_ + first, count);
}

NarrowString NarrowString::Substring(int first) const
{
    return Substring(first, Length() - first);
}

int NarrowString::ReverseFindChar(char c) const
{
    const char* found = ::ReverseFindChar(chars_, c);
    return found == nullptr ? -1 : static_cast<int>(found - chars_);
}

bool operator==(const NarrowString& first, const NarrowString& second)
{
    return lstrcmpA(first, second) == 0;
}

char* NarrowString::OpenBuffer(int minLength)
{
    if (RefCount() > 1 || Capacity() < minLength) {
        const int length = Length();
        NarrowString larger;
        larger.chars_ = NewStorage(minLength > length ? minLength : length);
        CopyMemory(larger.chars_, chars_, length);
        larger.SetLength(length);
        std::swap(chars_, larger.chars_);
    }
    return chars_;
}

void NarrowString::CloseBuffer(int newLength)
{
    if (RefCount() > 1) {
        // This value is empty while the private copy is made, should that fail.
        NarrowString shared;
        std::swap(chars_, shared.chars_);
        chars_ = NewStorage(shared.Length());
        CopyMemory(chars_, shared.chars_, shared.Length());
    }
    if (newLength < 0)
        newLength = lstrlenA(chars_);
    else if (newLength > Capacity())
        newLength = Capacity();
    SetLength(newLength);
}

bool NarrowString::FormatText(const char* format, ...)
{
    char* window = OpenBuffer(FormatWindow);
    va_list values;
    va_start(values, format);
    _vsnprintf(window, FormatWindow, format, values);
    va_end(values);
    // A cut output has no terminator of its own.
    window[FormatWindow] = '\0';
    CloseBuffer();
    return true;
}

bool NarrowString::LoadFromResource(UINT id)
{
    char buffer[ResourceStep];
    int loaded = LoadStringA(ModuleInstance, id, buffer, ResourceStep);
    if (loaded == 0)
        buffer[0] = '\0';
    if (ResourceStep - loaded > 2) {
        *this = buffer;
        return loaded > 0;
    }
    // The text may have been cut: load it again into ever larger storage
    // until it ends more than two bytes short of the end.
    int size = ResourceStep;
    do {
        size += ResourceStep;
        loaded = LoadStringA(ModuleInstance, id, OpenBuffer(size - 1), size);
    } while (size - loaded <= 2);
    CloseBuffer();
    return loaded > 0;
}
