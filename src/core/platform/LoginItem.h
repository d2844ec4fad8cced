// LoginItem: whether the program starts with the user's session.
#pragma once

#include "core/platform/Result.h"

namespace morvelan {

class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool enabled() const = 0;
    virtual Result<void> enable() = 0;
    virtual Result<void> disable() = 0;
};

} // namespace morvelan
