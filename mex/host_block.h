// A block of the MEX host's memory (mxCalloc), freed with mxFree when its
// holder goes or when Free is called.
#pragma once

#include <mex.h>

class HostBlock {
public:
    explicit HostBlock(char* block) : block_(block) {}
    ~HostBlock() { Free(); }
    HostBlock(const HostBlock&) = delete;
    HostBlock& operator=(const HostBlock&) = delete;

    char* Get() const { return block_; }

    void Free()
    {
        if (block_)
            mxFree(block_);
        block_ = nullptr;
    }

private:
    char* block_;
};
