// The figures of this process that show a leak: kernel handles, USER and
// GDI objects, private memory. Each quantity is read by the first method
// that proves honest at run time (its figure follows an object this
// program creates and frees); a stub's figure is never used.
#pragma once

#include <array>
#include <string>
#include <vector>

struct Quantity {
    std::string name;
    // The method that passed its check, or the reason none did.
    std::string method;
    bool measured = false;
    // Notes on the methods that failed their check (stubs).
    std::vector<std::string> refused;
};

const size_t kQuantityCount = 7;

// Held in place, so that taking one allocates nothing the next would see.
struct Snapshot {
    int openings = 0;
    std::array<long long, kQuantityCount> values = {}; // -1 where unmeasured
};

class ProcessFigures {
public:
    // Checks every method and chooses one per quantity.
    ProcessFigures();

    const std::vector<Quantity>& Quantities() const { return quantities_; }
    Snapshot Take(int openings) const;
    // Prints which method gives each figure and which calls proved stubs.
    void PrintMethods() const;

private:
    std::vector<Quantity> quantities_;
    std::vector<long long (*)()> readers_;
};

// Prints a table: each checkpoint against the first, with the growth.
void PrintSnapshots(const char* title, const ProcessFigures& figures, const std::vector<Snapshot>& snapshots);
