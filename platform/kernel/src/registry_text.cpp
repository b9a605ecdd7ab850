// The registry's text export format, its file in the machine's state
// folder, and the convenience routines for tools and tests.

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "registry_tree.h"
#include "sim/registry.h"
#include "sim/text.h"

namespace {

using sim::registry_internal::Key;
using sim::registry_internal::Value;

constexpr char kFormatLine[] = "VASTUM REGISTRY 1";
constexpr char kChecksumPrefix[] = "END crc32:";

std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string Quote(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += "\\\\"; break;
        case L'"': out += "\\\""; break;
        case L'\n': out += "\\n"; break;
        case L'\r': out += "\\r"; break;
        case L'\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escape[16];
                std::snprintf(escape, sizeof escape, "\\u{%X}", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += sim::Utf8FromWide(std::wstring_view(&c, 1));
            }
        }
    }
    return out + "\"";
}

// Strings of a value's data, when it is a well-formed string (one, or a
// list for REG_MULTI_SZ).
bool DecodeStrings(const std::vector<std::uint8_t>& data, bool multi, std::vector<std::wstring>* strings)
{
    if (data.size() % sizeof(WCHAR) != 0 || data.empty()) {
        return false;
    }
    std::wstring all(data.size() / sizeof(WCHAR), L'\0');
    memcpy(all.data(), data.data(), data.size());
    if (all.back() != L'\0') {
        return false;
    }
    strings->clear();
    if (!multi) {
        if (all.find(L'\0') != all.size() - 1) {
            return false;
        }
        strings->push_back(all.substr(0, all.size() - 1));
        return true;
    }
    if (all.size() == 1) {
        return true;  // the empty list
    }
    if (all.size() < 2 || all[all.size() - 2] != L'\0') {
        return false;
    }
    size_t start = 0;
    while (start < all.size() - 1) {
        const size_t end = all.find(L'\0', start);
        if (end == start) {
            return false;  // an empty string inside the list
        }
        strings->push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

std::string HexBytes(const std::vector<std::uint8_t>& data)
{
    std::string out;
    char byte[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", data[i]);
        out += byte;
    }
    return out;
}

std::string FormatValue(const Value& value)
{
    std::string line = value.name.empty() ? "@" : Quote(value.name);
    line += "=";
    char number[32];
    std::vector<std::wstring> strings;
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::uint32_t v;
        memcpy(&v, value.data.data(), 4);
        std::snprintf(number, sizeof number, "dword:%08x", v);
        return line + number;
    }
    if (value.type == REG_QWORD && value.data.size() == 8) {
        std::uint64_t v;
        memcpy(&v, value.data.data(), 8);
        std::snprintf(number, sizeof number, "qword:%016llx", static_cast<unsigned long long>(v));
        return line + number;
    }
    if (value.type == REG_BINARY) {
        return line + "binary:" + HexBytes(value.data);
    }
    if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && DecodeStrings(value.data, false, &strings)) {
        return line + (value.type == REG_SZ ? "sz:" : "expand_sz:") + Quote(strings[0]);
    }
    if (value.type == REG_MULTI_SZ && DecodeStrings(value.data, true, &strings)) {
        line += "multi_sz:";
        for (size_t i = 0; i < strings.size(); ++i) {
            line += (i == 0 ? "" : ",") + Quote(strings[i]);
        }
        return line;
    }
    std::snprintf(number, sizeof number, "hex(%x):", value.type);
    return line + number + HexBytes(value.data);
}

void ExportKey(const Key& key, bool includeVolatile, std::string* out)
{
    if (key.isVolatile && !includeVolatile) {
        return;
    }
    *out += "\n[" + sim::Utf8FromWide(key.Path()) + "]\n";
    for (const Value& value : key.values) {
        *out += FormatValue(value) + "\n";
    }
    for (const auto& sub : key.subkeys) {
        ExportKey(*sub.second, includeVolatile, out);
    }
}

// ---------------------------------------------------------------------------
// Parsing

struct Cursor {
    const std::string& text;
    size_t at = 0;

    bool AtEnd() const { return at >= text.size(); }
    bool Take(char c)
    {
        if (!AtEnd() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool TakeWord(const std::string& word)
    {
        if (text.compare(at, word.size(), word) == 0) {
            at += word.size();
            return true;
        }
        return false;
    }
};

bool ParseQuoted(Cursor& cursor, std::wstring* out, std::string* error)
{
    if (!cursor.Take('"')) {
        *error = "expected a quoted string";
        return false;
    }
    std::string raw;
    out->clear();
    auto flush = [&]() {
        std::wstring decoded;
        if (!sim::TryWideFromUtf8(raw, &decoded)) {
            return false;
        }
        *out += decoded;
        raw.clear();
        return true;
    };
    while (!cursor.AtEnd()) {
        const char c = cursor.text[cursor.at++];
        if (c == '"') {
            if (!flush()) {
                *error = "a string that is not UTF-8";
                return false;
            }
            return true;
        }
        if (c != '\\') {
            raw += c;
            continue;
        }
        if (cursor.AtEnd()) {
            break;
        }
        const char e = cursor.text[cursor.at++];
        if (!flush()) {
            *error = "a string that is not UTF-8";
            return false;
        }
        switch (e) {
        case '\\': *out += L'\\'; break;
        case '"': *out += L'"'; break;
        case 'n': *out += L'\n'; break;
        case 'r': *out += L'\r'; break;
        case 't': *out += L'\t'; break;
        case 'u': {
            const size_t close = cursor.text.find('}', cursor.at);
            if (!cursor.Take('{') || close == std::string::npos) {
                *error = "a malformed \\u{...} escape";
                return false;
            }
            *out += static_cast<wchar_t>(std::stoul(cursor.text.substr(cursor.at, close - cursor.at), nullptr, 16));
            cursor.at = close + 1;
            break;
        }
        default:
            *error = std::string("an unknown escape \\") + e;
            return false;
        }
    }
    *error = "a string without its closing quote";
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>* bytes)
{
    std::istringstream in(text);
    std::string item;
    bytes->clear();
    while (in >> item) {
        if (item.size() != 2 || !isxdigit(static_cast<unsigned char>(item[0])) ||
            !isxdigit(static_cast<unsigned char>(item[1]))) {
            return false;
        }
        bytes->push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
    }
    return true;
}

bool ParseHexNumber(const std::string& text, size_t digits, std::uint64_t* value)
{
    if (text.empty() || text.size() > digits) {
        return false;
    }
    for (char c : text) {
        if (!isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    *value = std::stoull(text, nullptr, 16);
    return true;
}

struct Change {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    std::wstring path;
    Value value;
};

bool ParseValueData(Cursor& cursor, Value* value, std::string* error)
{
    const std::string rest = cursor.text.substr(cursor.at);
    std::uint64_t number = 0;
    std::vector<std::wstring> strings;
    if (cursor.TakeWord("dword:")) {
        if (!ParseHexNumber(cursor.text.substr(cursor.at), 8, &number)) {
            *error = "a dword needs up to 8 hexadecimal digits";
            return false;
        }
        const auto v = static_cast<std::uint32_t>(number);
        value->type = REG_DWORD;
        value->data.assign(reinterpret_cast<const std::uint8_t*>(&v), reinterpret_cast<const std::uint8_t*>(&v) + 4);
        return true;
    }
    if (cursor.TakeWord("qword:")) {
        if (!ParseHexNumber(cursor.text.substr(cursor.at), 16, &number)) {
            *error = "a qword needs up to 16 hexadecimal digits";
            return false;
        }
        value->type = REG_QWORD;
        value->data.assign(reinterpret_cast<const std::uint8_t*>(&number),
                           reinterpret_cast<const std::uint8_t*>(&number) + 8);
        return true;
    }
    if (cursor.TakeWord("binary:")) {
        value->type = REG_BINARY;
        if (!ParseHexBytes(cursor.text.substr(cursor.at), &value->data)) {
            *error = "binary data must be two-digit hexadecimal bytes";
            return false;
        }
        return true;
    }
    if (cursor.TakeWord("hex(")) {
        const size_t close = cursor.text.find("):", cursor.at);
        if (close == std::string::npos ||
            !ParseHexNumber(cursor.text.substr(cursor.at, close - cursor.at), 8, &number)) {
            *error = "hex(N): needs a hexadecimal type number";
            return false;
        }
        value->type = static_cast<ULONG>(number);
        if (!ParseHexBytes(cursor.text.substr(close + 2), &value->data)) {
            *error = "hex data must be two-digit hexadecimal bytes";
            return false;
        }
        return true;
    }
    const bool sz = cursor.TakeWord("sz:");
    const bool expand = !sz && cursor.TakeWord("expand_sz:");
    if (sz || expand) {
        std::wstring text;
        if (!ParseQuoted(cursor, &text, error)) {
            return false;
        }
        if (!cursor.AtEnd()) {
            *error = "text after the string";
            return false;
        }
        value->type = sz ? REG_SZ : REG_EXPAND_SZ;
        value->data = sim::registry::StringData(text);
        return true;
    }
    if (cursor.TakeWord("multi_sz:")) {
        while (!cursor.AtEnd()) {
            std::wstring text;
            if (!ParseQuoted(cursor, &text, error)) {
                return false;
            }
            if (text.empty()) {
                *error = "a multi_sz list cannot hold an empty string";
                return false;
            }
            strings.push_back(text);
            if (!cursor.AtEnd() && !cursor.Take(',')) {
                *error = "strings of a multi_sz list are separated by commas";
                return false;
            }
        }
        value->type = REG_MULTI_SZ;
        value->data = sim::registry::MultiStringData(strings);
        return true;
    }
    *error = "unknown value type in \"" + rest + "\"";
    return false;
}

bool ParseText(const std::string& text, bool requireChecksum, std::vector<Change>* changes,
               sim::registry::ImportResult* result)
{
    auto fail = [&](size_t line, const std::string& error) {
        result->ok = false;
        result->line = line;
        result->error = error;
        return false;
    };
    // The checksum line, if any, covers every byte before it.
    const size_t endLine = text.rfind(std::string("\n") + kChecksumPrefix);
    std::string body = text;
    if (endLine != std::string::npos) {
        body = text.substr(0, endLine + 1);
        std::string trailer = text.substr(endLine + 1);
        while (!trailer.empty() && (trailer.back() == '\n' || trailer.back() == '\r')) {
            trailer.pop_back();
        }
        std::uint64_t expected = 0;
        if (!ParseHexNumber(trailer.substr(sizeof(kChecksumPrefix) - 1), 8, &expected) ||
            static_cast<std::uint32_t>(expected) != Crc32(body)) {
            return fail(0, "the checksum does not match the contents (the file is damaged)");
        }
    } else if (requireChecksum) {
        return fail(0, "the file ends before its checksum line (it was cut short)");
    }

    std::istringstream in(body);
    std::string line;
    size_t number = 0;
    std::wstring currentKey;
    bool haveKey = false;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (number == 1) {
            if (line != kFormatLine) {
                return fail(1, std::string("the first line must be \"") + kFormatLine + "\"");
            }
            continue;
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') {
                return fail(number, "a key line ends with ']'");
            }
            const bool remove = line.size() > 1 && line[1] == '-';
            std::wstring path;
            std::vector<std::wstring> parts;
            if (!sim::TryWideFromUtf8(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)), &path) ||
                !sim::registry_internal::SplitBelowRoot(path, &parts)) {
                return fail(number, "a key path starts with \\Registry\\");
            }
            changes->push_back(Change{remove ? Change::Kind::DeleteKey : Change::Kind::CreateKey, path, {}});
            currentKey = path;
            haveKey = !remove;
            continue;
        }
        if (!haveKey) {
            return fail(number, "a value line before any key line");
        }
        Cursor cursor{line};
        Value value{};
        std::string error;
        if (!cursor.Take('@') && !ParseQuoted(cursor, &value.name, &error)) {
            return fail(number, error);
        }
        if (!cursor.Take('=')) {
            return fail(number, "expected '=' after the value name");
        }
        if (cursor.TakeWord("-") && cursor.AtEnd()) {
            changes->push_back(Change{Change::Kind::DeleteValue, currentKey, value});
            continue;
        }
        if (!ParseValueData(cursor, &value, &error)) {
            return fail(number, error);
        }
        changes->push_back(Change{Change::Kind::SetValue, currentKey, value});
    }
    if (number == 0) {
        return fail(1, "the text is empty");
    }
    return true;
}

void Apply(const std::vector<Change>& changes)
{
    for (const Change& change : changes) {
        switch (change.kind) {
        case Change::Kind::CreateKey:
            sim::registry_internal::CreatePath(change.path);
            break;
        case Change::Kind::DeleteKey:
            if (auto key = sim::registry_internal::Find(change.path); key != nullptr && key->parent != nullptr) {
                sim::registry_internal::DeleteSubtree(key);
            }
            break;
        case Change::Kind::SetValue: {
            auto key = sim::registry_internal::CreatePath(change.path);
            if (Value* existing = key->FindValue(change.value.name)) {
                *existing = change.value;
            } else {
                key->values.push_back(change.value);
            }
            break;
        }
        case Change::Kind::DeleteValue: {
            auto key = sim::registry_internal::Find(change.path);
            if (key != nullptr) {
                const std::wstring lower = sim::Lower(change.value.name);
                std::erase_if(key->values,
                              [&](const Value& v) { return sim::Lower(v.name) == lower; });
            }
            break;
        }
        }
    }
}

bool ReadFile(const std::filesystem::path& path, std::string* contents)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *contents = buffer.str();
    return true;
}

// Writes the file and forces it to the disk before the caller renames it.
bool WriteDurably(const std::filesystem::path& path, const std::string& contents)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

void SyncFolder(const std::filesystem::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::filesystem::path& FlushFolder()
{
    static std::filesystem::path folder;
    return folder;
}

}  // namespace

namespace sim::registry {

void Reset()
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    for (const wchar_t* hive : {L"machine", L"user"}) {
        auto key = registry_internal::Root()->subkeys[hive];
        for (auto& sub : key->subkeys) {
            sub.second->parent = nullptr;
            registry_internal::DeleteSubtree(sub.second);
        }
        key->subkeys.clear();
        key->values.clear();
    }
}

bool Export(const std::wstring& keyPath, std::string* text, bool withChecksum)
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    auto key = registry_internal::Find(keyPath);
    if (key == nullptr) {
        return false;
    }
    std::string out = kFormatLine;
    out += "\n";
    ExportKey(*key, !withChecksum, &out);
    if (withChecksum) {
        char trailer[32];
        std::snprintf(trailer, sizeof trailer, "%s%08x\n", kChecksumPrefix, Crc32(out));
        out += trailer;
    }
    *text = out;
    return true;
}

ImportResult Import(const std::string& text, bool requireChecksum)
{
    ImportResult result;
    std::vector<Change> changes;
    if (!ParseText(text, requireChecksum, &changes, &result)) {
        return result;
    }
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    Apply(changes);
    return result;
}

std::filesystem::path CurrentFile(const std::filesystem::path& stateFolder)
{
    return stateFolder / "registry.txt";
}

std::filesystem::path PreviousFile(const std::filesystem::path& stateFolder)
{
    return stateFolder / "registry.previous.txt";
}

LoadReport LoadFrom(const std::filesystem::path& stateFolder)
{
    LoadReport report;
    FlushFolder() = stateFolder;
    for (const auto& path : {CurrentFile(stateFolder), PreviousFile(stateFolder)}) {
        std::string contents;
        if (!ReadFile(path, &contents)) {
            if (path == CurrentFile(stateFolder) && std::filesystem::exists(PreviousFile(stateFolder))) {
                report.problems.push_back(path.string() + ": missing");
            }
            continue;
        }
        ImportResult parsed;
        std::vector<Change> changes;
        if (!ParseText(contents, true, &changes, &parsed)) {
            report.problems.push_back(path.string() + ": " +
                                      (parsed.line > 0 ? "line " + std::to_string(parsed.line) + ": " : "") +
                                      parsed.error);
            continue;
        }
        Reset();
        std::lock_guard<std::mutex> guard(registry_internal::Lock());
        Apply(changes);
        report.loaded = true;
        report.usedPreviousCopy = path == PreviousFile(stateFolder);
        return report;
    }
    return report;
}

bool SaveTo(const std::filesystem::path& stateFolder, std::string* error)
{
    std::string text;
    Export(L"\\Registry", &text, true);
    std::error_code ec;
    std::filesystem::create_directories(stateFolder, ec);
    const auto fresh = stateFolder / "registry.new.txt";
    if (!WriteDurably(fresh, text)) {
        *error = "cannot write " + fresh.string();
        return false;
    }
    // The current file becomes the previous copy only once it is known to be
    // good; a damaged current file must not replace a good previous copy.
    std::string current;
    ImportResult check;
    std::vector<Change> ignored;
    if (ReadFile(CurrentFile(stateFolder), &current) && ParseText(current, true, &ignored, &check)) {
        std::filesystem::rename(CurrentFile(stateFolder), PreviousFile(stateFolder), ec);
    }
    std::filesystem::rename(fresh, CurrentFile(stateFolder), ec);
    if (ec) {
        *error = "cannot rename " + fresh.string() + ": " + ec.message();
        return false;
    }
    SyncFolder(stateFolder);
    return true;
}

void SetFlushFolder(const std::filesystem::path& stateFolder)
{
    FlushFolder() = stateFolder;
}

bool SetValue(const std::wstring& keyPath, const std::wstring& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data)
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    auto key = registry_internal::CreatePath(keyPath);
    if (key == nullptr) {
        return false;
    }
    if (Value* existing = key->FindValue(name)) {
        existing->type = type;
        existing->data = data;
    } else {
        key->values.push_back(Value{name, type, data});
    }
    return true;
}

bool GetValue(const std::wstring& keyPath, const std::wstring& name, std::uint32_t* type,
              std::vector<std::uint8_t>* data)
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    auto key = registry_internal::Find(keyPath);
    const Value* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) {
        return false;
    }
    *type = value->type;
    *data = value->data;
    return true;
}

bool KeyExists(const std::wstring& keyPath)
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    return registry_internal::Find(keyPath) != nullptr;
}

std::vector<std::wstring> SubkeyNames(const std::wstring& keyPath)
{
    std::lock_guard<std::mutex> guard(registry_internal::Lock());
    std::vector<std::wstring> names;
    if (auto key = registry_internal::Find(keyPath)) {
        for (const auto& sub : key->subkeys) {
            names.push_back(sub.second->name);
        }
    }
    return names;
}

std::vector<std::uint8_t> StringData(const std::wstring& text)
{
    std::vector<std::uint8_t> data((text.size() + 1) * sizeof(WCHAR), 0);
    memcpy(data.data(), text.data(), text.size() * sizeof(WCHAR));
    return data;
}

std::vector<std::uint8_t> MultiStringData(const std::vector<std::wstring>& strings)
{
    std::wstring all;
    for (const std::wstring& s : strings) {
        all += s;
        all += L'\0';
    }
    all += L'\0';
    if (strings.empty()) {
        all = std::wstring(1, L'\0');
    }
    std::vector<std::uint8_t> data(all.size() * sizeof(WCHAR));
    memcpy(data.data(), all.data(), data.size());
    return data;
}

std::vector<std::wstring> MultiStrings(const std::vector<std::uint8_t>& data)
{
    std::vector<std::wstring> strings;
    DecodeStrings(data, true, &strings);
    return strings;
}

std::wstring StringFromData(const std::vector<std::uint8_t>& data)
{
    std::vector<std::wstring> strings;
    return DecodeStrings(data, false, &strings) ? strings[0] : std::wstring();
}

}  // namespace sim::registry

NTSYSAPI NTSTATUS NTAPI ZwFlushKey(HANDLE KeyHandle)
{
    (void)KeyHandle;
    if (FlushFolder().empty()) {
        return STATUS_SUCCESS;  // a machine without a state folder keeps its registry in memory
    }
    std::string error;
    return sim::registry::SaveTo(FlushFolder(), &error) ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}
