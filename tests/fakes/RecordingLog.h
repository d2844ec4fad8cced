// RecordingLog: a SystemLog that keeps its lines for assertions.
#pragma once

#include "core/platform/SystemLog.h"

#include <string>
#include <vector>

namespace morvelan {

class RecordingLog : public SystemLog {
public:
    void log(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

} // namespace morvelan
