// One stream of a kernel engine, held as the filter driver holds it: the
// manager and the stream the engine created, released when the command is
// done (the stream first, then its manager), and buffers handed to the
// stream's ProcessInPlace through the engine's interface.
#pragma once

#include <wdm.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "command_error.h"
#include "engines/engine.h"
#include "option_values.h"

namespace vastum {

// Objects that cross the library boundary are never deleted: Release()
// tears them down inside the library that made them.
template <typename T>
struct ReleaseObject {
    void operator()(T* object) const { object->Release(); }
};

template <typename T>
using Released = std::unique_ptr<T, ReleaseObject<T>>;

// The largest buffer the command line hands over (8 channels of 32 bits)
// fits the engines' 32-bit byte count.
static_assert(kMaxBufferFrames * 8 * 4 <= 0xFFFFFFFFu);

template <typename Manager, typename Stream>
class KernelEngineStream final : public StreamProcessor {
public:
    KernelEngineStream(Released<Manager> manager, Released<Stream> stream)
        : manager_(std::move(manager)), stream_(std::move(stream))
    {
    }

    void ProcessInPlace(std::span<std::uint8_t> frames) override
    {
        stream_->ProcessInPlace(frames.data(), static_cast<ULONG>(frames.size()));
    }

private:
    Released<Manager> manager_;  // declared first, so released last
    Released<Stream> stream_;
};

// A stream of `manager`, created as the filter driver creates one and then
// formatted by `setFormat(stream)`, which throws CommandError when the
// engine refuses the format. The stream keeps its manager. The caller has
// saved the floating-point state.
template <typename Manager, typename SetFormat>
std::unique_ptr<StreamProcessor> OpenKernelEngineStream(Released<Manager> manager, std::string_view engineName,
                                                        SetFormat setFormat)
{
    using Stream = std::remove_pointer_t<decltype(manager->CreateStream())>;
    Released<Stream> stream(manager->CreateStream());
    if (!stream) {
        throw CommandError("engine " + std::string(engineName) + ": CreateStream made no stream");
    }
    setFormat(*stream);
    return std::make_unique<KernelEngineStream<Manager, Stream>>(std::move(manager), std::move(stream));
}

}  // namespace vastum
