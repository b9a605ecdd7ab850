// Fixtures for the tests that drive the engine through its interface.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/fpu.h"
#include "sim/pool.h"
#include "sim/status.h"
#include "vyohd_context.h"
#include "vyohd_interface.h"
#include "vyohd_stream.h"

namespace vyohd_test {

using namespace vyohd;

inline const char* const kEngineTags[] = {"VYOm", "VYOp", "VYOC", "VYOS"};

// Every test ends with no engine memory left in the pool and every saved
// floating-point state restored.
class EngineTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        sim::pool::ClearFaults();
        sim::fpu::ClearFaults();
        for (const char* tag : kEngineTags) {
            EXPECT_EQ(sim::pool::Usage(tag).liveBlocks, 0u) << "blocks left with tag " << tag;
        }
        EXPECT_EQ(sim::fpu::OutstandingSaves(), 0) << "floating-point saves not restored";
    }
};

inline WAVEFORMATEX PcmFormat(USHORT channels, USHORT bits, ULONG rate = 48000)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// A manager with one stream, released in the right order.
struct Engine {
    VYOHDManager* manager = nullptr;
    VYOHDStream* stream = nullptr;

    explicit Engine(unsigned seed = 1)
    {
        sim::SeedRandom(seed);
        manager = CreateVYOHDManager3();
        stream = manager != nullptr ? manager->CreateStream() : nullptr;
    }

    ~Engine()
    {
        if (stream != nullptr) {
            stream->Release();
        }
        if (manager != nullptr) {
            manager->Release();
        }
    }

    void Format(USHORT channels, USHORT bits, ULONG rate = 48000)
    {
        const WAVEFORMATEX format = PcmFormat(channels, bits, rate);
        ASSERT_EQ(stream->SetFormat(&format), STATUS_SUCCESS);
    }

    // Engine disabled: the bypass with gain and fold-down only.
    void Bypass(ULONG qelMode, float gain)
    {
        ASSERT_EQ(manager->SetEnable(0), STATUS_SUCCESS);
        ASSERT_EQ(manager->SetQELMode(qelMode), STATUS_SUCCESS);
        ASSERT_EQ(manager->SetBypassGain(gain), STATUS_SUCCESS);
    }

    VYOHDContext& StreamContext() { return *static_cast<VYOHDStreamObject*>(stream)->Context(); }
};

inline std::vector<std::int16_t> Process16(VYOHDStream* stream, std::vector<std::int16_t> samples)
{
    stream->ProcessInPlace(reinterpret_cast<PUCHAR>(samples.data()),
                           static_cast<ULONG>(samples.size() * sizeof(std::int16_t)));
    return samples;
}

// Every parameter as the manager's getters name it.
struct Parameters {
    int enable;
    ULONG qelSize;
    float elevoLevel;
    float nitidaLevel;
    float subviaLevel;
    ULONG subviaSize;
    float qelWidth;
    float inputGain;
    float outputGain;
    int limiterEnable;
    float limiterLevel;
    float centerLevel;
    ULONG qelMode;
    float bypassGain;

    bool operator==(const Parameters&) const = default;
};

inline Parameters ParametersOf(VYOHDManager* m)
{
    return {m->GetEnable(),      m->GetQELSize(),      m->GetELEVOLevel(),  m->GetNitidaLevel(), m->GetSubviaLevel(),
            m->GetSubviaSize(),  m->GetQELWidth(),     m->GetInputGain(),   m->GetOutputGain(),  m->GetLimiterEnable(),
            m->GetLimiterLevel(), m->GetCenterLevel(), m->GetQELMode(),     m->GetBypassGain()};
}

// The same, read from a stream's context; both channel records must agree.
inline Parameters ParametersOf(const VYOHDContext& c)
{
    EXPECT_EQ(c.elevoLeft.level.Load(), c.elevoRight.level.Load());
    EXPECT_EQ(c.nitidaLeft.storedLevel.Load(), c.nitidaRight.storedLevel.Load());
    return {c.enable.Load(),       c.qel3d.sizeFlag.Load(),   c.elevoLeft.level.Load(), c.nitidaLeft.storedLevel.Load() * 4.0f,
            c.subvia.level.Load(), c.subvia.size.Load(),      c.qel3d.width.Load(),     c.inputGain.Load(),
            c.outputGain.Load(),   c.limiter.enable.Load(),   c.limiter.level.Load(),   c.qel3d.centerLevel.Load(),
            c.qel3d.mode.Load(),   c.bypassGain.Load()};
}

inline std::ostream& operator<<(std::ostream& out, const Parameters& p)
{
    return out << "{Enable " << p.enable << ", QELSize " << p.qelSize << ", ELEVOLevel " << p.elevoLevel
               << ", NitidaLevel " << p.nitidaLevel << ", SubviaLevel " << p.subviaLevel << ", SubviaSize "
               << p.subviaSize << ", QELWidth " << p.qelWidth << ", InputGain " << p.inputGain << ", OutputGain "
               << p.outputGain << ", LimiterEnable " << p.limiterEnable << ", LimiterLevel " << p.limiterLevel
               << ", CenterLevel " << p.centerLevel << ", QELMode " << p.qelMode << ", BypassGain " << p.bypassGain
               << "}";
}

}  // namespace vyohd_test
