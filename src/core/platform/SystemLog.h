// SystemLog: one-line messages for the few noteworthy failures.
#pragma once

#include <string_view>

namespace morvelan {

class SystemLog {
public:
    virtual ~SystemLog() = default;
    virtual void log(std::string_view line) = 0;
};

} // namespace morvelan
