#pragma once
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

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
