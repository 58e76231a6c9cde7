#include "link/portbackend.h"

namespace cvcfg {

SerialBackend& PortBackend::owner(PortHandle handle) {
    const auto found = m_owners.find(handle);
    // A handle nobody gave out: the device backend reports it as such.
    return found == m_owners.end() ? static_cast<SerialBackend&>(m_devices) : *found->second;
}

int PortBackend::noted(SerialBackend& backend, int code) {
    if (code != 0) {
        m_lastFailed = &backend;
    }
    return code;
}

int PortBackend::open(const std::string& name, PortHandle& handle) {
    const std::string target = m_map.resolve(name);
    SerialBackend& backend = isServerAddress(target) ? static_cast<SerialBackend&>(m_servers)
                                                     : static_cast<SerialBackend&>(m_devices);
    const int code = backend.open(target, handle);
    if (code == 0) {
        m_owners[handle] = &backend;
    }
    return noted(backend, code);
}

int PortBackend::setQueueSizes(PortHandle handle, int input, int output) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.setQueueSizes(handle, input, output));
}

int PortBackend::purge(PortHandle handle) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.purge(handle));
}

int PortBackend::setTimeouts(PortHandle handle, const Timeouts& timeouts) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.setTimeouts(handle, timeouts));
}

int PortBackend::getLineState(PortHandle handle, LineSettings& state) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.getLineState(handle, state));
}

int PortBackend::buildLineState(const std::string& settings, LineSettings& state) {
    return noted(m_devices, m_devices.buildLineState(settings, state));
}

int PortBackend::setLineState(PortHandle handle, const LineSettings& state) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.setLineState(handle, state));
}

int PortBackend::queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.queuedInput(handle, count, errorFlags));
}

int PortBackend::read(PortHandle handle, uint8_t* buffer, int count, int& got) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.read(handle, buffer, count, got));
}

int PortBackend::writeSome(PortHandle handle, const uint8_t* data, int count, int& written) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.writeSome(handle, data, count, written));
}

int PortBackend::waitWritable(PortHandle handle, int timeoutMs) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.waitWritable(handle, timeoutMs));
}

int PortBackend::waitDrained(PortHandle handle, int timeoutMs, int& queued) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.waitDrained(handle, timeoutMs, queued));
}

int PortBackend::discardOutput(PortHandle handle) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.discardOutput(handle));
}

int PortBackend::waitReadable(PortHandle handle, int timeoutMs) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.waitReadable(handle, timeoutMs));
}

int PortBackend::modemStatus(PortHandle handle, uint32_t& status) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.modemStatus(handle, status));
}

int PortBackend::lineFunction(PortHandle handle, int function) {
    SerialBackend& backend = owner(handle);
    return noted(backend, backend.lineFunction(handle, function));
}

int PortBackend::close(PortHandle handle) {
    SerialBackend& backend = owner(handle);
    const int code = backend.close(handle);
    if (code == 0) {
        m_owners.erase(handle);
    }
    return noted(backend, code);
}

std::string PortBackend::errorText(int code) const {
    return m_lastFailed->errorText(code);
}

} // namespace cvcfg
