// Windows 2000 or later with the boards of nt5_devices.reg present: their
// driver service is installed, so an interface bound to one opens.
#pragma once

#include "system_fixture.h"

#include <memory>

class PresentBoards : public Nt5System {
protected:
    void SetUp() override
    {
        Nt5System::SetUp();
        service_.reset(new ScopedService("QbVexA", "Vexmoor", kStubDriverPath));
        ASSERT_TRUE(service_->Created());
        LoadFixture("nt5_devices.reg");
    }

    void TearDown() override
    {
        service_.reset();
        Nt5System::TearDown();
    }

private:
    std::unique_ptr<ScopedService> service_;
};
