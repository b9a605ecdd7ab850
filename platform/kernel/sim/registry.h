// Test and tool access to the simulated registry: fault injection, the text
// export format, and the registry's file in the machine's state folder.
//
// Text export format (UTF-8, one item per line):
//
//     VASTUM REGISTRY 1
//     [\Registry\Machine\System\CurrentControlSet\Services\vyofilter\Parameters]
//     "LoopedStreamingLookahead"=dword:000000c8
//     "KVSubviaLevel"=binary:9a 99 19 3f
//     "DeviceDesc"=sz:"Vastum Virtual Sound Card"
//     "UpperFilters"=multi_sz:"vyofilter","other"
//     "Big"=qword:0000000100000000
//     "Odd"=hex(5):01 02 03 04
//     @=sz:"the key's default value"
//
// The first line names the format and its version. A key line holds the
// key's full path in brackets; the value lines below it belong to that key,
// in order. A value line is the quoted name (or @ for the unnamed value),
// '=', a type and its data: dword and qword in hexadecimal, binary as hex
// bytes, sz and expand_sz as one quoted string, multi_sz as a list of quoted
// strings, and hex(N) the raw bytes of any other type number N (also used
// for string values whose data is not a well-formed string). Inside quotes
// \\ \" \n \r \t stand for themselves and \u{X} for any other character;
// strings are stored as the platform's WCHAR arrays with a terminator.
// Blank lines and lines starting with ';' are ignored.
//
// On import, "[-path]" deletes a key with all its subkeys and "name"=-
// deletes a value; keys named in brackets are created with their parents.
// A file may end with "END crc32:XXXXXXXX", the CRC-32 of every byte before
// that line; the machine's own registry file always does, so a torn or
// damaged file is recognized.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <ntstatus.h>

namespace sim::registry {

enum class Operation { OpenKey, CreateKey, DeleteKey, SetValue, QueryValue, DeleteValue };

// The next `count` calls of the operation fail with `status`.
void FailNext(Operation operation, std::uint32_t count, NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES);
void ClearFaults();

// Empties the registry but for its root keys.
void Reset();

// Writes the key and its subkeys (all of the registry for "\Registry") in
// the text format; returns false when the key does not exist.
bool Export(const std::wstring& keyPath, std::string* text, bool withChecksum = false);

struct ImportResult {
    bool ok = true;
    std::size_t line = 0;  // the line at fault, counting from 1
    std::string error;
};
// Applies a text export to the registry. Nothing is changed unless the whole
// text is well-formed (and its checksum, if it has one, matches).
ImportResult Import(const std::string& text, bool requireChecksum = false);

// The registry file of a state folder. Saving writes a new file, flushes it
// and renames it over the old one, which is kept as the previous copy.
// Loading takes the current file, or the previous copy when the current
// one is missing, torn or damaged; the report says which and why.
struct LoadReport {
    bool loaded = false;               // a good file was found
    bool usedPreviousCopy = false;
    std::vector<std::string> problems; // each file that was passed over, and why
};
LoadReport LoadFrom(const std::filesystem::path& stateFolder);
bool SaveTo(const std::filesystem::path& stateFolder, std::string* error);

std::filesystem::path CurrentFile(const std::filesystem::path& stateFolder);
std::filesystem::path PreviousFile(const std::filesystem::path& stateFolder);

// Convenience for tools and tests (keys are created with their parents).
bool SetValue(const std::wstring& keyPath, const std::wstring& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data);
bool GetValue(const std::wstring& keyPath, const std::wstring& name, std::uint32_t* type,
              std::vector<std::uint8_t>* data);
bool KeyExists(const std::wstring& keyPath);
std::vector<std::wstring> SubkeyNames(const std::wstring& keyPath);

// Strings as the registry holds them: WCHAR arrays with a terminator.
std::vector<std::uint8_t> StringData(const std::wstring& text);
std::vector<std::uint8_t> MultiStringData(const std::vector<std::wstring>& strings);
std::vector<std::wstring> MultiStrings(const std::vector<std::uint8_t>& data);
std::wstring StringFromData(const std::vector<std::uint8_t>& data);

}  // namespace sim::registry
