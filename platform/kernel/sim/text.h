// Conversions between the machine's WCHAR strings and the UTF-8 of this
// host's files, paths and terminals. Linux-only, for the stand-in, tools and
// tests.
#pragma once

#include <string>
#include <string_view>

namespace sim {

std::string Utf8FromWide(std::wstring_view wide);

// Decodes UTF-8; false for a malformed sequence (out then holds nothing
// useful).
bool TryWideFromUtf8(std::string_view utf8, std::wstring* out);

// Decodes UTF-8, turning each malformed sequence into U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace sim
