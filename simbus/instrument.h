// One simulated instrument: it takes in bytes from the controller and, at the
// end of each message, prepares what it has to say.
#pragma once

#include "simbus/bench.h"
#include "simbus/status_model.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What an instrument has to say: a window of bytes ready to be read, and the
// rest, which a generator makes a chunk at a time as the window drains. A
// long answer takes no more memory than one chunk.
class InstrumentOutput {
public:
    // Writes the `count` bytes of the output that start at `offset`.
    using Generator = std::function<void(size_t offset, char* data, size_t count)>;
    static constexpr size_t kChunk = 65536;

    // The whole output at once; the window keeps its buffer from one to the next.
    void Set(const std::string& text);
    // An output of `total` bytes that `generator` makes.
    void Generate(size_t total, Generator generator);
    void Clear();

    // The bytes still to say, all of them.
    size_t Unsaid() const { return window_.size() - taken_ + (total_ - made_); }
    // The bytes ready now, `count` of them: some while anything is unsaid.
    const char* Ready(size_t& count);
    // Whether the ready bytes are the last of the output.
    bool ReadyIsLast() const { return made_ == total_; }
    // Drops the first `count` ready bytes, said.
    void Take(size_t count) { taken_ += count; }

private:
    std::string window_;
    size_t taken_ = 0; // of the window
    size_t total_ = 0; // of the generated output
    size_t made_ = 0;  // of the generated output, the window's bytes too
    Generator generator_;
};

class Instrument {
public:
    explicit Instrument(const BenchEntry& entry) : entry_(entry) {}

    const BenchEntry& Entry() const { return entry_; }

    // Bytes from the controller; `end` marks the last byte of a message.
    void Listen(const char* data, size_t count, bool end);
    // What the instrument still has to say; the controller takes from it.
    InstrumentOutput& Output() { return output_; }

    // Device clear: what it was taking in and what it had to say are gone,
    // and so is a measurement in progress.
    void DeviceClear();
    // Group execute trigger: it takes a new reading.
    void Trigger();
    // A serial poll: the status byte, with RQS while it requests service,
    // which the poll clears.
    uint8_t SerialPoll();
    // Whether it asserts SRQ.
    bool Requesting();
    // Remote when addressed to listen while remote enable is asserted.
    bool Remote() const { return remote_; }
    void SetRemote(bool remote) { remote_ = remote; }

    // How long a measurement that INIT starts takes.
    static constexpr int kMeasurementMs = 200;

private:
    using Clock = std::chrono::steady_clock;

    void Respond(const std::string& message);
    void Keep(const std::string& message);
    // A recorder's input, taken a line at a time.
    void Record(const char* data, size_t count);
    // The status commands and measurements of an instrument with the status
    // model: a message of commands separated by ';', the answers of its
    // queries said together.
    void Command(const std::string& message);
    bool Answer(const std::string& command, std::string& answer);
    // Ends a measurement whose time has come, and brings the request up to date.
    void Update();
    std::string Reading() const;

    BenchEntry entry_;
    std::string input_;
    InstrumentOutput output_;
    StatusModel status_;
    size_t readings_ = 0; // taken so far
    bool measuring_ = false;
    Clock::time_point measured_;
    bool completionAwaited_ = false; // *OPC during a measurement
    bool remote_ = false;
    bool receiving_ = false; // a recorder keeps its next line
    std::string recorded_;   // the line a recorder keeps
    // What a store keeps; shared with the output that says it.
    std::shared_ptr<const std::string> stored_ = std::make_shared<const std::string>();
};

// A message without its trailing carriage returns and line feeds.
std::string WithoutTerminator(const std::string& message);
