// Names as the stand-in keeps and compares them: a counted string taken as
// a std::wstring, and the case-folded form under which registry keys,
// device names, links and services are looked up (all case-insensitive).
#pragma once

#include <wdm.h>

#include <cwctype>
#include <string>

namespace sim {

// The counted string's characters; an absent string or buffer is empty.
inline std::wstring FromUnicodeString(PCUNICODE_STRING string)
{
    if (string == nullptr || string->Buffer == nullptr) {
        return {};
    }
    return std::wstring(string->Buffer, string->Length / sizeof(WCHAR));
}

inline std::wstring Lower(const std::wstring& text)
{
    std::wstring lower = text;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return lower;
}

}  // namespace sim
