// A bench: the instruments on a simulated bus, read from a definition text.
//
// One instrument per line, "PRIMARY[,SECONDARY] KIND [ARGUMENT]"; '#' outside
// a quoted text starts a comment. Kinds:
//   multimeter ["IDENTIFICATION"]  *IDN?, *RST and MEAS:VOLT?
//   echo                           answers the last command, without terminator
//   silent                         accepts writes, never answers
//   talker LENGTH                  answers LENGTH characters
//   reply "TEXT"                   answers TEXT (escapes \r \n \t \0 \\ \" \xHH)
//   block LENGTH                   answers a query with a definite-length block
//                                  "#<n><n digits>" of LENGTH bytes (byte i is
//                                  i % 256) and a line feed
//   indefinite LENGTH              the same as an indefinite block "#0"
//   readings COUNT                 answers a query with COUNT readings
//                                  "+1.000000E+00,+1.001000E+00,..." and a line feed
//   store                          keeps the definite-length block of a message;
//                                  answers a query with the block it keeps
//   recorder                       takes its input a line at a time, each up to
//                                  a line feed, across messages: after the line
//                                  RECEIVE it keeps the next line; SEND answers it
// A query is a message that ends with '?'; these five answer "*IDN?" with
// their identification. LENGTH is 1 to 268435456, COUNT 1 to 1000000.
// The line "timing real" makes a read that finds nothing wait for its
// time-out; by default it fails at once.
#pragma once

#include "gpib/bus_limits.h"

#include <cstddef>
#include <string>
#include <vector>

enum class InstrumentKind { Multimeter, Echo, Silent, Talker, Reply, Block, Indefinite, Readings, Store, Recorder };

struct BenchEntry {
    int primary = 0;
    int secondary = GPIB_NO_SECONDARY;
    InstrumentKind kind = InstrumentKind::Silent;
    std::string text;  // the multimeter's identification, or the fixed reply
    size_t length = 0; // the talker's answer length, a block's payload length, the count of readings
    bool noEnd = false; // sends no END with its last byte
};

struct Bench {
    std::vector<BenchEntry> entries;
    bool realTime = false;
};

// The bench every interface has unless QUENBUS_SIMBUS_BENCH names another.
extern const char kDefaultBench[];
extern const char kDefaultIdentification[];

// Parses a definition; on failure describes the first bad line in `error`.
bool ParseBench(const std::string& text, Bench& bench, std::string& error);

// The bench of the file at `path`, or the default bench when `path` is null
// or empty; false with the reason in `error` for a file that cannot be read
// or is no bench.
bool ReadBenchFile(const char* path, Bench& bench, std::string& error);

// The bench of this process: the file named by QUENBUS_SIMBUS_BENCH, else the
// default bench. A bad file is reported on stderr and gives an empty bench.
Bench LoadProcessBench();
