// The test's hold on the request probe driver (drivers/request_probe.h),
// once the machine has loaded it below VYOFilter.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

#include "drivers/request_probe.h"

namespace filtertest {

class ProbeControl {
public:
    // The probe library as the machine loaded it; the test fails when it
    // is not loaded.
    ProbeControl()
    {
        m_library = dlopen("libvfprobe.so", RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(m_library, nullptr) << "the machine loaded the probe below the filter";
        if (m_library != nullptr) {
            m_reset = reinterpret_cast<PFN_PROBE_RESET>(dlsym(m_library, "ProbeReset"));
            m_records = reinterpret_cast<PFN_PROBE_RECORDS>(dlsym(m_library, "ProbeRecords"));
            m_wait = reinterpret_cast<PFN_PROBE_WAIT_FOR_HELD_WRITE>(dlsym(m_library, "ProbeWaitForHeldWrite"));
            m_release = reinterpret_cast<PFN_PROBE_RELEASE_WRITES>(dlsym(m_library, "ProbeReleaseWrites"));
        }
    }

    ~ProbeControl()
    {
        if (m_library != nullptr) {
            dlclose(m_library);
        }
    }

    ProbeControl(const ProbeControl&) = delete;
    ProbeControl& operator=(const ProbeControl&) = delete;

    void Reset(bool holdWrites = false) { m_reset(holdWrites ? TRUE : FALSE); }
    bool WaitForHeldWrite(LONG milliseconds) { return m_wait(milliseconds) != FALSE; }
    void ReleaseWrites() { m_release(); }

    std::vector<ProbeRecord> Records()
    {
        std::vector<ProbeRecord> records(256);
        records.resize(m_records(records.data(), static_cast<ULONG>(records.size())));
        return records;
    }

private:
    void* m_library = nullptr;
    PFN_PROBE_RESET m_reset = nullptr;
    PFN_PROBE_RECORDS m_records = nullptr;
    PFN_PROBE_WAIT_FOR_HELD_WRITE m_wait = nullptr;
    PFN_PROBE_RELEASE_WRITES m_release = nullptr;
};

}  // namespace filtertest
