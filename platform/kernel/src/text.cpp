#include "sim/text.h"

namespace {

constexpr wchar_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the sequence at utf8[i]: its code point and length, or a length
// of 0 when it is malformed.
std::size_t DecodeOne(std::string_view utf8, std::size_t i, char32_t* code)
{
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 4;
    if (extra == 4 || i + extra >= utf8.size() + (extra == 0 ? 1 : 0)) {
        return 0;
    }
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (next & 0x3F);
    }
    *code = c;
    return extra + 1;
}

}  // namespace

namespace sim {

std::string Utf8FromWide(std::wstring_view wide)
{
    std::string out;
    for (wchar_t c : wide) {
        AppendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

bool TryWideFromUtf8(std::string_view utf8, std::wstring* out)
{
    out->clear();
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeOne(utf8, i, &code);
        if (length == 0) {
            return false;
        }
        *out += static_cast<wchar_t>(code);
        i += length;
    }
    return true;
}

std::wstring WideFromUtf8(std::string_view utf8)
{
    std::wstring out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeOne(utf8, i, &code);
        out += length == 0 ? kReplacementCharacter : static_cast<wchar_t>(code);
        i += length == 0 ? 1 : length;
    }
    return out;
}

}  // namespace sim
