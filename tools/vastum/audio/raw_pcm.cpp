#include "audio/raw_pcm.h"

#include <charconv>
#include <limits>

#include "command_error.h"

namespace vastum {

namespace {

constexpr std::string_view kRawUsage = " (expected RATE,BITS,CHANNELS, e.g. 48000,16,2)";

// One field of RATE,BITS,CHANNELS: decimal digits only, no sign or spaces.
std::uint32_t ParseRawField(std::string_view field, std::string_view what, std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size()) {
        throw UsageError("malformed --raw '" + std::string(text) + "': " + std::string(what) + " '" +
                         std::string(field) + "' is not a whole number" + std::string(kRawUsage));
    }
    return value;
}

}  // namespace

AudioFormat ParseRawFormat(std::string_view text)
{
    const auto firstComma = text.find(',');
    const auto secondComma = firstComma == std::string_view::npos ? firstComma : text.find(',', firstComma + 1);
    if (secondComma == std::string_view::npos || text.find(',', secondComma + 1) != std::string_view::npos) {
        throw UsageError("malformed --raw '" + std::string(text) + "'" + std::string(kRawUsage));
    }
    const auto rate = ParseRawField(text.substr(0, firstComma), "rate", text);
    const auto bits = ParseRawField(text.substr(firstComma + 1, secondComma - firstComma - 1), "bits", text);
    const auto channels = ParseRawField(text.substr(secondComma + 1), "channels", text);

    if (rate == 0 || rate > std::uint32_t(std::numeric_limits<int>::max())) {
        throw UsageError("malformed --raw '" + std::string(text) + "': rate must be 1 to " +
                         std::to_string(std::numeric_limits<int>::max()) + " Hz");
    }
    if (!IsSupportedBitDepth(bits)) {
        throw UsageError("malformed --raw '" + std::string(text) + "': bits must be 8, 16, 24 or 32");
    }
    if (channels < 1 || channels > kMaxChannels) {
        throw UsageError("malformed --raw '" + std::string(text) + "': channels must be 1 to " +
                         std::to_string(kMaxChannels));
    }
    return {rate, static_cast<std::uint16_t>(bits), static_cast<std::uint16_t>(channels), std::nullopt};
}

Audio DecodeRawPcm(std::vector<std::uint8_t> bytes, const AudioFormat& format, const std::string& name)
{
    Audio audio{format, std::move(bytes)};
    const std::size_t frameBytes = audio.format.BytesPerFrame();
    if (audio.pcm.size() % frameBytes != 0) {
        throw CommandError(name + ": " + std::to_string(audio.pcm.size()) + " bytes are not whole frames of " +
                           std::to_string(frameBytes) + " bytes (" + DescribeFormat(audio.format) + ")");
    }
    return audio;
}

}  // namespace vastum
