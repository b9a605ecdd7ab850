#include "settings/settings_key.h"

#include <wdm.h>

#include <vector>

#include "command_error.h"
#include "files/input_bytes.h"
#include "sim/registry.h"
#include "sim/status.h"
#include "sim/text.h"

namespace vastum {

namespace {

const std::wstring kSettingsRoot = L"\\Registry\\Machine\\Software\\Vastum\\";

// The keys the text names in brackets ("[-...]" deletes one and names none).
std::vector<std::wstring> NamedKeys(const std::string& text)
{
    std::vector<std::wstring> keys;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.starts_with('[') && !line.starts_with("[-") && line.ends_with(']')) {
            keys.push_back(sim::WideFromUtf8(line.substr(1, line.size() - 2)));
        }
        start = end + 1;
    }
    return keys;
}

// A kernel handle, as the filter driver holds the keys it hands the engines.
HANDLE OpenKey(const std::wstring& path)
{
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE key = nullptr;
    const NTSTATUS status = ZwOpenKey(&key, KEY_ALL_ACCESS, &attributes);
    if (!NT_SUCCESS(status)) {
        throw CommandError("cannot open the settings key " + sim::Utf8FromWide(path) + " (" +
                           sim::StatusName(status) + ")");
    }
    return key;
}

}  // namespace

SettingsKey SettingsKey::FromFile(const std::string& path)
{
    const std::string name = InputDisplayName(path);
    const std::vector<std::uint8_t> bytes = ReadInputBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    sim::registry::Reset();
    const sim::registry::ImportResult imported = sim::registry::Import(text);
    if (!imported.ok) {
        throw CommandError(name + " line " + std::to_string(imported.line) + ": " + imported.error);
    }
    const std::vector<std::wstring> keys = NamedKeys(text);
    if (keys.size() != 1) {
        throw CommandError(name + " names " + std::to_string(keys.size()) +
                           " registry keys; a settings file names exactly one");
    }
    return SettingsKey(keys.front(), OpenKey(keys.front()));
}

SettingsKey SettingsKey::Empty(std::string_view engineName)
{
    sim::registry::Reset();
    const std::wstring path = kSettingsRoot + sim::WideFromUtf8(engineName);
    // An import names the key in brackets, which creates it with its parents.
    if (!sim::registry::Import("VASTUM REGISTRY 1\n[" + sim::Utf8FromWide(path) + "]\n").ok) {
        throw CommandError("cannot make the settings key " + sim::Utf8FromWide(path));
    }
    return SettingsKey(path, OpenKey(path));
}

SettingsKey::~SettingsKey()
{
    if (handle_ != nullptr) {
        ZwClose(handle_);
    }
}

SettingsKey::SettingsKey(SettingsKey&& other) noexcept : path_(std::move(other.path_)), handle_(other.handle_)
{
    other.handle_ = nullptr;
}

std::string SettingsKey::Export() const
{
    std::string text;
    if (!sim::registry::Export(path_, &text)) {
        throw CommandError("the settings key " + sim::Utf8FromWide(path_) + " is gone");
    }
    return text;
}

}  // namespace vastum
