// The machine's names are WCHAR strings; the command line's are UTF-8.
#pragma once

#include <string>

namespace vastum {

std::wstring WideText(const std::string& utf8);
std::string Utf8Text(const std::wstring& wide);

}  // namespace vastum
