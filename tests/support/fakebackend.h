#pragma once

#include "link/serialbackend.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace cvcfg::test {

// A serial backend that records what the layer asks of the platform and
// fails the steps a test names. It stands in for what a pseudo-terminal
// cannot show: break, DTR/RTS, modem lines, and failures of single steps.
class FakeBackend : public SerialBackend {
public:
    std::vector<std::string> calls;
    std::vector<int> lineFunctions;
    std::vector<std::chrono::steady_clock::time_point> lineFunctionTimes;
    std::vector<std::string> writes;    // one entry a write call
    std::map<std::string, int> failing; // step name -> error code
    uint32_t modemBits = 0;
    uint32_t errorFlags = 0;
    std::string input;
    std::string output;
    LineSettings line;

    int open(const std::string& name, PortHandle& handle) override {
        handle = 7;
        return step("open " + name, "open");
    }
    int setQueueSizes(PortHandle, int, int) override { return step("setQueueSizes"); }
    int purge(PortHandle) override { return step("purge"); }
    int setTimeouts(PortHandle, const Timeouts&) override { return step("setTimeouts"); }
    int getLineState(PortHandle, LineSettings& state) override {
        state = line;
        return step("getLineState");
    }
    int buildLineState(const std::string& settings, LineSettings&) override {
        return step("buildLineState " + settings, "buildLineState");
    }
    int setLineState(PortHandle, const LineSettings& state) override {
        line = state;
        return step("setLineState");
    }
    int queuedInput(PortHandle, int& count, uint32_t& flags) override {
        count = static_cast<int>(input.size());
        flags = errorFlags;
        return step("queuedInput");
    }
    int read(PortHandle, uint8_t* buffer, int count, int& got) override {
        got = std::min(count, static_cast<int>(input.size()));
        std::memcpy(buffer, input.data(), static_cast<std::size_t>(got));
        input.erase(0, static_cast<std::size_t>(got));
        return step("read");
    }
    // The fake line takes every write whole, at once.
    int writeSome(PortHandle, const uint8_t* data, int count, int& written) override {
        output.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(count));
        writes.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(count));
        written = count;
        return step("write");
    }
    int waitWritable(PortHandle, int) override { return step("waitWritable"); }
    int waitDrained(PortHandle, int, int& queued) override {
        queued = 0;
        return step("waitDrained");
    }
    int discardOutput(PortHandle) override { return step("discardOutput"); }
    int waitReadable(PortHandle, int) override { return step("waitReadable"); }
    int modemStatus(PortHandle, uint32_t& status) override {
        status = modemBits;
        return step("modemStatus");
    }
    int lineFunction(PortHandle, int function) override {
        lineFunctions.push_back(function);
        lineFunctionTimes.push_back(std::chrono::steady_clock::now());
        const int code = step("lineFunction");
        return code ? code : (function == 0 ? EINVAL : 0);
    }
    int close(PortHandle) override { return step("close"); }
    [[nodiscard]] std::string errorText(int code) const override {
        return " text of " + std::to_string(code) + " ";
    }

private:
    int step(const std::string& call, const std::string& name = {}) {
        calls.push_back(call);
        const auto failure = failing.find(name.empty() ? call : name);
        return failure == failing.end() ? 0 : failure->second;
    }
};

} // namespace cvcfg::test
