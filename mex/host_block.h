// A block of the MEX host's memory (mxCalloc), freed with mxFree when its
// holder goes or when Free is called.
#pragma once

#include "buslink/command_text.h"

#include <mex.h>

class HostBlock : public CommandText {
public:
    explicit HostBlock(char* block) : block_(block) {}
    ~HostBlock() override { Free(); }
    HostBlock(const HostBlock&) = delete;
    HostBlock& operator=(const HostBlock&) = delete;

    const char* Get() const override { return block_; }

    void Free() override
    {
        if (block_)
            mxFree(block_);
        block_ = nullptr;
    }

private:
    char* block_;
};
