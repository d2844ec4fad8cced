// FakeLoginItem: a LoginItem whose registration can be made to fail.
#pragma once

#include "core/platform/LoginItem.h"

#include <string>

namespace morvelan {

class FakeLoginItem : public LoginItem {
public:
    bool enabled() const override { return isEnabled; }
    Result<void> enable() override {
        ++enableCalls;
        if (failEnable) return failure(error);
        isEnabled = true;
        return success();
    }
    Result<void> disable() override {
        ++disableCalls;
        if (failDisable) return failure(error);
        isEnabled = false;
        return success();
    }

    bool isEnabled = false;
    bool failEnable = false;
    bool failDisable = false;
    std::string error = "Operation not permitted";
    int enableCalls = 0;
    int disableCalls = 0;
};

} // namespace morvelan
