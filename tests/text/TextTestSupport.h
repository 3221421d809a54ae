#pragma once
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

// Tests of double-byte texts mean something only where the ANSI code page
// has lead bytes; elsewhere they show as skipped.
#define SKIP_UNLESS_CODE_PAGE_932()                                                                    \
    if (GetACP() != 932)                                                                               \
    GTEST_SKIP() << "needs ANSI code page 932, running in " << GetACP()

// Bytes as printable text with the others in hex, for failure messages.
inline std::string Printable(const std::string& bytes)
{
    std::string text;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
        } else {
            char hex[8];
            wsprintfA(hex, "<%02X>", byte);
            text += hex;
        }
    }
    return "\"" + text + "\"";
}
