// An engine's saved settings as the engines keep them: the values of one
// registry key, which the engine's own SaveSettings writes and LoadSettings
// reads through the registry of the machine stand-in. On disk they are a
// file in the registry text export format (platform/kernel/sim/registry.h)
// naming that one key, e.g. what `vastum settings --save` writes:
//
//     VASTUM REGISTRY 1
//
//     [\Registry\Machine\Software\Vastum\vyohd]
//     "Enable"=dword:00000001
//     "ELEVOLevel"=binary:cd cc cc 3e
//     ...
//
// The command line holds one settings key at a time: making one empties the
// registry of the run first.
#pragma once

#include <string>
#include <string_view>

namespace vastum {

class SettingsKey {
public:
    // Reads FILE into the registry and opens the key it names. Throws
    // CommandError naming the file when it cannot be read, is not in the
    // export format (with the line at fault), or names no key or more than
    // one.
    static SettingsKey FromFile(const std::string& path);

    // A new key without values for `engineName`'s settings.
    static SettingsKey Empty(std::string_view engineName);

    ~SettingsKey();
    SettingsKey(SettingsKey&& other) noexcept;
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    SettingsKey& operator=(SettingsKey&&) = delete;

    // The open key handle (a HANDLE) for the engine.
    void* Handle() const { return handle_; }

    // The key and its values in the export format.
    std::string Export() const;

private:
    SettingsKey(std::wstring path, void* handle) : path_(std::move(path)), handle_(handle) {}

    std::wstring path_;
    void* handle_;
};

}  // namespace vastum
