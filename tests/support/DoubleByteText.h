#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Characters of the double-byte ANSI code page a test runs in, so that one
// table of double-byte cases means the same in code pages 932, 936, 950 and
// 949: a case is written with {P}, {B} and {L} standing for these
// characters and spelled in the code page at hand.
struct DoubleByteCharacters {
    UINT codePage;
    const char* plain;          // {P}: a character whose trail byte has no lead-byte value
    const char* backslashTrail; // {B}: one whose trail byte is a backslash, 0x5C; null where there is none
    const char* leadTrail;      // {L}: one whose two bytes both have lead-byte values
    // The byte values a lead and a trail byte can take, as ranges from and to.
    std::vector<std::pair<BYTE, BYTE>> leadRanges;
    std::vector<std::pair<BYTE, BYTE>> trailRanges;
};

// The characters of a double-byte code page; null for any other page.
inline const DoubleByteCharacters* DoubleByteCharactersOf(UINT codePage)
{
    static const DoubleByteCharacters pages[] = {
        // あ, 表, 亜
        {932, "\x82\xA0", "\x95\x5C", "\x88\x9F", {{0x81, 0x9F}, {0xE0, 0xFC}}, {{0x40, 0x7E}, {0x80, 0xFC}}},
        // 丂, 淺, 啊
        {936, "\x81\x40", "\x9C\x5C", "\xB0\xA1", {{0x81, 0xFE}}, {{0x40, 0x7E}, {0x80, 0xFE}}},
        // 一, 功, 中
        {950, "\xA4\x40", "\xA5\x5C", "\xA4\xA4", {{0x81, 0xFE}}, {{0x40, 0x7E}, {0xA1, 0xFE}}},
        // 갂, 가; no trail byte of code page 949 is a backslash
        {949, "\x81\x41", nullptr, "\xB0\xA1", {{0x81, 0xFE}}, {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}}},
    };
    for (const DoubleByteCharacters& page : pages)
        if (page.codePage == codePage)
            return &page;
    return nullptr;
}

// The characters of the running ANSI code page; null when it is not one of
// the four double-byte code pages.
inline const DoubleByteCharacters* RunningDoubleByteCharacters()
{
    return DoubleByteCharactersOf(GetACP());
}

// The character that {letter} stands for: null for another letter, or
// where the code page lacks the character.
inline const char* MarkedCharacter(const DoubleByteCharacters& characters, char letter)
{
    switch (letter) {
    case 'P':
        return characters.plain;
    case 'B':
        return characters.backslashTrail;
    case 'L':
        return characters.leadTrail;
    default:
        return nullptr;
    }
}

// pattern with {P}, {B} and {L} replaced by the characters; nothing when it
// needs one that the code page lacks.
inline std::optional<std::string> Spell(const DoubleByteCharacters& characters, const std::string& pattern)
{
    std::string text;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '{' || i + 2 >= pattern.size() || pattern[i + 2] != '}') {
            text += pattern[i];
            continue;
        }
        const char* character = MarkedCharacter(characters, pattern[i + 1]);
        if (character == nullptr)
            return std::nullopt;
        text += character;
        i += 2;
    }
    return text;
}

// Tests of double-byte texts mean something only where the ANSI code page
// has lead bytes; elsewhere they show as skipped.
#define DOUBLE_BYTE_CHARACTERS_OR_SKIP(characters)                                                      \
    const DoubleByteCharacters* characters = RunningDoubleByteCharacters();                             \
    if (characters == nullptr)                                                                         \
    GTEST_SKIP() << "needs a double-byte ANSI code page, running in " << GetACP()
