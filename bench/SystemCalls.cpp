// Counting, recording and playing back system calls by redirecting this program's imports.
#include "bench/SystemCalls.h"

#include <cstring>

const char* const CallNames[CallKindCount] = {
    "SendMessageA",     "RegOpenKeyExA",   "RegQueryValueExA", "RegCloseKey", "GetCurrentDirectoryA",
    "GetFileAttributesA", "lstrcmpA",      "CreatePopupMenu",  "InsertMenuItemA", "DestroyMenu",
    "LoadStringA",      "CharNextA",       "lstrlenA",         "IsDBCSLeadByte",   "malloc",
};

namespace {

// Points every import of name in this program at replacement; returns what
// the first one pointed at, or null when nothing imports it.
void* RedirectImport(const char* name, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void* previous = nullptr;
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        if (module->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            // Not lstrcmpA: it may be the very import being redirected.
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            if (previous == nullptr)
                previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
        }
    }
    return previous;
}

// ---------------------------------------------------------------- counting

CallCounts Counted;

template <CallKind Kind, typename Result, typename... Args>
struct CountingCall {
    static inline Result(WINAPI* real)(Args...) = nullptr;
    static Result WINAPI Call(Args... args)
    {
        ++Counted.of[Kind];
        return real(args...);
    }
};

// The signature comes from the system's declaration of the function.
template <CallKind Kind, typename Result, typename... Args>
void CountCalls(ImportRedirections& imports, Result(WINAPI*)(Args...))
{
    using Counter = CountingCall<Kind, Result, Args...>;
    imports.Redirect(Kind, &Counter::Call, Counter::real);
}

// The C runtime's malloc is __cdecl, which on 32 bits differs from WINAPI.
void*(__cdecl* RealMalloc)(size_t) = nullptr;

void* __cdecl CountingMalloc(size_t size)
{
    ++Counted.of[MallocKind];
    return RealMalloc(size);
}

// ------------------------------------------------------------------ replay

Recording* Tape = nullptr;
bool Playing = false;

struct RealCalls {
    decltype(&SendMessageA) sendMessage;
    decltype(&RegOpenKeyExA) regOpen;
    decltype(&RegQueryValueExA) regQuery;
    decltype(&RegCloseKey) regClose;
    decltype(&GetCurrentDirectoryA) currentDirectory;
    decltype(&GetFileAttributesA) fileAttributes;
    decltype(&lstrcmpA) compare;
    decltype(&CreatePopupMenu) createMenu;
    decltype(&InsertMenuItemA) insertItem;
    decltype(&DestroyMenu) destroyMenu;
    decltype(&LoadStringA) loadString;
};
RealCalls Real;

// Bytes of a text buffer as a call left them: up to the terminator, or all
// of them when there is none.
std::string TextBytes(const char* text, size_t capacity)
{
    const size_t length = strnlen(text, capacity);
    return std::string(text, length < capacity ? length + 1 : capacity);
}

LONG_PTR Replayed(CallKind kind, LONG_PTR result, const std::string& written = std::string())
{
    Tape->results[kind].push_back(result);
    Tape->bytes[kind].push_back(written);
    return result;
}

// The next recorded result of kind; its bytes go to buffer when there are any.
LONG_PTR PlayBack(CallKind kind, void* buffer = nullptr)
{
    const size_t at = Tape->next[kind]++;
    const std::string& written = Tape->bytes[kind][at];
    if (buffer != nullptr && !written.empty())
        std::memcpy(buffer, written.data(), written.size());
    return Tape->results[kind][at];
}

LRESULT WINAPI ReplaySendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    char* buffer = message == InformationMessage && LOWORD(wParam) == DocumentPathCode
                       ? reinterpret_cast<char*>(lParam) : nullptr;
    if (Playing)
        return PlayBack(SendKind, buffer);
    const LRESULT result = Real.sendMessage(window, message, wParam, lParam);
    return Replayed(SendKind, result, buffer ? TextBytes(buffer, MAX_PATH) : std::string());
}

LONG WINAPI ReplayRegOpen(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if (Playing) {
        const LONG status = static_cast<LONG>(PlayBack(RegOpenKind));
        if (status == ERROR_SUCCESS)
            *key = Tape->keys[Tape->nextKey++];
        return status;
    }
    const LONG status = Real.regOpen(root, path, options, access, key);
    if (status == ERROR_SUCCESS)
        Tape->keys.push_back(*key);
    return static_cast<LONG>(Replayed(RegOpenKind, status));
}

LONG WINAPI ReplayRegQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (Playing) {
        const LONG status = static_cast<LONG>(PlayBack(RegQueryKind, data));
        if (type)
            *type = Tape->types[Tape->nextValue];
        if (size)
            *size = Tape->sizes[Tape->nextValue];
        ++Tape->nextValue;
        return status;
    }
    const DWORD room = size ? *size : 0;
    const LONG status = Real.regQuery(key, name, reserved, type, data, size);
    Tape->types.push_back(type ? *type : 0);
    Tape->sizes.push_back(size ? *size : 0);
    std::string written;
    if (status == ERROR_SUCCESS && data && size)
        written.assign(reinterpret_cast<const char*>(data), std::min(room, *size));
    return static_cast<LONG>(Replayed(RegQueryKind, status, written));
}

LONG WINAPI ReplayRegClose(HKEY key)
{
    return Playing ? static_cast<LONG>(PlayBack(RegCloseKind))
                   : static_cast<LONG>(Replayed(RegCloseKind, Real.regClose(key)));
}

DWORD WINAPI ReplayCurrentDirectory(DWORD size, LPSTR buffer)
{
    if (Playing)
        return static_cast<DWORD>(PlayBack(CurrentDirectoryKind, buffer));
    const DWORD result = Real.currentDirectory(size, buffer);
    return static_cast<DWORD>(
        Replayed(CurrentDirectoryKind, result, result < size ? TextBytes(buffer, size) : std::string()));
}

DWORD WINAPI ReplayFileAttributes(LPCSTR path)
{
    return Playing ? static_cast<DWORD>(PlayBack(FileAttributesKind))
                   : static_cast<DWORD>(Replayed(FileAttributesKind, Real.fileAttributes(path)));
}

int WINAPI ReplayCompare(LPCSTR first, LPCSTR second)
{
    return Playing ? static_cast<int>(PlayBack(CompareKind))
                   : static_cast<int>(Replayed(CompareKind, Real.compare(first, second)));
}

HMENU WINAPI ReplayCreateMenu()
{
    return Playing ? reinterpret_cast<HMENU>(PlayBack(CreateMenuKind))
                   : reinterpret_cast<HMENU>(Replayed(CreateMenuKind, reinterpret_cast<LONG_PTR>(Real.createMenu())));
}

BOOL WINAPI ReplayInsertItem(HMENU menu, UINT position, BOOL byPosition, LPCMENUITEMINFOA item)
{
    return Playing ? static_cast<BOOL>(PlayBack(InsertItemKind))
                   : static_cast<BOOL>(Replayed(InsertItemKind, Real.insertItem(menu, position, byPosition, item)));
}

BOOL WINAPI ReplayDestroyMenu(HMENU menu)
{
    return Playing ? static_cast<BOOL>(PlayBack(DestroyMenuKind))
                   : static_cast<BOOL>(Replayed(DestroyMenuKind, Real.destroyMenu(menu)));
}

int WINAPI ReplayLoadString(HINSTANCE module, UINT id, LPSTR buffer, int size)
{
    if (Playing)
        return static_cast<int>(PlayBack(LoadStringKind, buffer));
    const int loaded = Real.loadString(module, id, buffer, size);
    return static_cast<int>(Replayed(LoadStringKind, loaded,
                                     size > 0 ? TextBytes(buffer, static_cast<size_t>(size)) : std::string()));
}

} // namespace

ImportRedirections::~ImportRedirections()
{
    for (auto original = originals_.rbegin(); original != originals_.rend(); ++original)
        RedirectImport(CallNames[original->kind], original->function);
}

void* ImportRedirections::Install(CallKind kind, void* replacement)
{
    void* original = RedirectImport(CallNames[kind], replacement);
    if (original != nullptr)
        originals_.push_back({kind, original});
    return original;
}

CallCounter::CallCounter()
{
    CountCalls<SendKind>(imports_, &SendMessageA);
    CountCalls<RegOpenKind>(imports_, &RegOpenKeyExA);
    CountCalls<RegQueryKind>(imports_, &RegQueryValueExA);
    CountCalls<RegCloseKind>(imports_, &RegCloseKey);
    CountCalls<CurrentDirectoryKind>(imports_, &GetCurrentDirectoryA);
    CountCalls<FileAttributesKind>(imports_, &GetFileAttributesA);
    CountCalls<CompareKind>(imports_, &lstrcmpA);
    CountCalls<CreateMenuKind>(imports_, &CreatePopupMenu);
    CountCalls<InsertItemKind>(imports_, &InsertMenuItemA);
    CountCalls<DestroyMenuKind>(imports_, &DestroyMenu);
    CountCalls<LoadStringKind>(imports_, &LoadStringA);
    CountCalls<CharNextKind>(imports_, &CharNextA);
    CountCalls<StringLengthKind>(imports_, &lstrlenA);
    CountCalls<LeadByteKind>(imports_, &IsDBCSLeadByte);
    // Every operator new of the run ends here, in the C runtime's DLL.
    imports_.Redirect(MallocKind, &CountingMalloc, RealMalloc);
    // From nothing once every counter is in place: putting them there
    // allocates.
    Restart();
}

CallCounts CallCounter::Counts() const
{
    return Counted;
}

void CallCounter::Restart()
{
    Counted = CallCounts();
}

CallReplay::CallReplay()
{
    imports_.Redirect(SendKind, &ReplaySendMessage, Real.sendMessage);
    imports_.Redirect(RegOpenKind, &ReplayRegOpen, Real.regOpen);
    imports_.Redirect(RegQueryKind, &ReplayRegQuery, Real.regQuery);
    imports_.Redirect(RegCloseKind, &ReplayRegClose, Real.regClose);
    imports_.Redirect(CurrentDirectoryKind, &ReplayCurrentDirectory, Real.currentDirectory);
    imports_.Redirect(FileAttributesKind, &ReplayFileAttributes, Real.fileAttributes);
    imports_.Redirect(CompareKind, &ReplayCompare, Real.compare);
    imports_.Redirect(CreateMenuKind, &ReplayCreateMenu, Real.createMenu);
    imports_.Redirect(InsertItemKind, &ReplayInsertItem, Real.insertItem);
    imports_.Redirect(DestroyMenuKind, &ReplayDestroyMenu, Real.destroyMenu);
    imports_.Redirect(LoadStringKind, &ReplayLoadString, Real.loadString);
}

CallReplay::~CallReplay()
{
    Tape = nullptr;
    Playing = false;
}

void CallReplay::Record(Recording& tape)
{
    Tape = &tape;
    Playing = false;
}

void CallReplay::Play(Recording& tape)
{
    tape.Rewind();
    Tape = &tape;
    Playing = true;
}
