#include "sim/process.h"

#include "process.h"

namespace sim {

ClientProcess::ClientProcess(std::string name) : m_process(new _KPROCESS(std::move(name), false)) {}

ClientProcess::~ClientProcess()
{
    PEPROCESS previous = thread_state::CurrentProcess();
    thread_state::SetCurrentProcess(m_process);
    for (HANDLE handle : m_process->handles.Handles()) {
        ob::CloseHandle(handle, UserMode);
    }
    m_process->memory.ReleaseAll();
    thread_state::SetCurrentProcess(previous == m_process ? nullptr : previous);
    delete m_process;
}

std::size_t ClientProcess::HandleCount() const
{
    return m_process->handles.Count();
}

ProcessScope::ProcessScope(ClientProcess& process) : m_previous(thread_state::CurrentProcess())
{
    thread_state::SetCurrentProcess(process.Process());
}

ProcessScope::~ProcessScope()
{
    thread_state::SetCurrentProcess(m_previous);
}

}  // namespace sim
