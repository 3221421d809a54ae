#include "text/TextUnits.h"

namespace {

bool IsUtf8Continuation(char byte)
{
    return (static_cast<BYTE>(byte) & 0xC0) == 0x80;
}

// The bytes of the UTF-8 sequence that byte begins; 1 for a byte that begins
// none, which MultiByteToWideChar reads as a character of its own.
int Utf8SequenceLength(char byte)
{
    const BYTE value = static_cast<BYTE>(byte);
    if (value >= 0xC2 && value <= 0xDF)
        return 2;
    if (value >= 0xE0 && value <= 0xEF)
        return 3;
    if (value >= 0xF0 && value <= 0xF4)
        return 4;
    return 1;
}

// A cut before continuation bytes goes back to the byte that began their
// sequence, when that sequence reaches past the cut; a stray continuation
// byte is a character of its own.
int Utf8Cut(const char* text, int cut)
{
    int lead = cut - 1;
    while (lead > 0 && cut - lead < 4 && IsUtf8Continuation(text[lead]))
        --lead;
    return lead + Utf8SequenceLength(text[lead]) > cut ? lead : cut;
}

bool IsHighSurrogate(wchar_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

// A byte without a lead-byte value always ends a character, so the run of
// lead-byte values after it pairs up as lead and trail bytes; an odd run
// leaves its last byte a lead byte without its trail.
bool EndsInLeadByte(const char* text, int cut)
{
    int leadValues = 0;
    for (int i = cut - 1; i >= 0 && IsDBCSLeadByte(static_cast<BYTE>(text[i])); --i)
        ++leadValues;
    return leadValues % 2 == 1;
}

// UTF-8 has no lead bytes in IsDBCSLeadByte's sense: its sequences are told
// by their bits.
int CharacterCut(const char* text, int cut)
{
    if (cut <= 0)
        return cut;
    if (GetACP() == CP_UTF8)
        return Utf8Cut(text, cut);
    return EndsInLeadByte(text, cut) ? cut - 1 : cut;
}

int CharacterCut(const wchar_t* text, int cut)
{
    return cut > 0 && IsHighSurrogate(text[cut - 1]) ? cut - 1 : cut;
}
