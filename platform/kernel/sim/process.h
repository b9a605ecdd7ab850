// Client processes of the simulated machine. Each has its own handle table
// and its own memory; a thread works for one process at a time, and every
// handle it passes to the kernel is resolved in that process.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <wdm.h>

namespace sim {

class ClientProcess {
public:
    explicit ClientProcess(std::string name);
    // The process ends: every handle it still holds is closed, in the
    // thread that ends it, as the platform does at process exit.
    ~ClientProcess();
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    PEPROCESS Process() const { return m_process; }
    std::size_t HandleCount() const;

private:
    PEPROCESS m_process;
};

// Attaches the calling thread to a process until the scope ends.
class ProcessScope {
public:
    explicit ProcessScope(ClientProcess& process);
    ~ProcessScope();
    ProcessScope(const ProcessScope&) = delete;
    ProcessScope& operator=(const ProcessScope&) = delete;

private:
    PEPROCESS m_previous;
};

}  // namespace sim
