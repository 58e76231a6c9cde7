#pragma once

#include "core/expected.h"
#include "link/serialbackend.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace cvcfg {

// A serial device server on the network, as the operator names it:
// "rfc2217://HOST:PORT" (Telnet with com port control, RFC 2217) or
// "socket://HOST:PORT" (raw TCP; the server keeps its own line settings).
struct ServerAddress {
    enum class Kind { Rfc2217, Socket };

    Kind kind = Kind::Rfc2217;
    std::string host; // a name, an IPv4 address or an IPv6 address without brackets
    uint16_t port = 0;

    // "host:port", an IPv6 address in brackets.
    [[nodiscard]] std::string hostPort() const;
    // The address as the operator writes it, "rfc2217://host:port".
    [[nodiscard]] std::string url() const;

    bool operator==(const ServerAddress&) const = default;
};

// Whether `name` is meant as a server address: it begins with a scheme and
// "://". Whether it is a good one, parseServerAddress says.
[[nodiscard]] bool isServerAddress(std::string_view name);

// The server address `text` names, or why it names none (an unknown scheme,
// no host, no port, a port out of range).
[[nodiscard]] Expected<ServerAddress> parseServerAddress(std::string_view text);

// How long the backend waits for the server, at most, at each step.
struct ServerTimeouts {
    std::chrono::milliseconds connect{3000};
    std::chrono::milliseconds negotiation{2000};
    std::chrono::milliseconds reply{1000}; // line settings, purge, break and modem lines
};

// The serial backend for ports behind device servers. A port is a TCP
// connection; what the server sends is kept here until read. Error codes are
// errno values, on Windows too, and errorText gives the last failure's own
// words, naming the server; there it also reads Windows' own codes, which
// the serial layer gives for the failures it finds itself.
class NetworkSerialBackend : public SerialBackend {
public:
    NetworkSerialBackend();
    explicit NetworkSerialBackend(ServerTimeouts timeouts);
    ~NetworkSerialBackend() override;
    NetworkSerialBackend(const NetworkSerialBackend&) = delete;
    NetworkSerialBackend& operator=(const NetworkSerialBackend&) = delete;

    int open(const std::string& name, PortHandle& handle) override;
    int setQueueSizes(PortHandle handle, int input, int output) override;
    int purge(PortHandle handle) override;
    int setTimeouts(PortHandle handle, const Timeouts& timeouts) override;
    int getLineState(PortHandle handle, LineSettings& state) override;
    int buildLineState(const std::string& settings, LineSettings& state) override;
    int setLineState(PortHandle handle, const LineSettings& state) override;
    int queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) override;
    int read(PortHandle handle, uint8_t* buffer, int count, int& got) override;
    int writeSome(PortHandle handle, const uint8_t* data, int count, int& written) override;
    int waitWritable(PortHandle handle, int timeoutMs) override;
    int waitDrained(PortHandle handle, int timeoutMs, int& queued) override;
    int discardOutput(PortHandle handle) override;
    int waitReadable(PortHandle handle, int timeoutMs) override;
    int modemStatus(PortHandle handle, uint32_t& status) override;
    int lineFunction(PortHandle handle, int function) override;
    int close(PortHandle handle) override;
    [[nodiscard]] std::string errorText(int code) const override;

    struct Connection;

private:
    Connection* find(PortHandle handle);
    int fail(int code, std::string text);
    int failed(const Connection& connection);

    ServerTimeouts m_timeouts;
    std::map<PortHandle, std::unique_ptr<Connection>> m_connections;
    int m_lastCode = 0;
    std::string m_lastText;
};

} // namespace cvcfg
