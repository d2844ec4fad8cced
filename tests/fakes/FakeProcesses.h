// FakeProcesses: Processes that record every call and answer from handlers a test sets.
#pragma once

#include "core/platform/Processes.h"

#include <functional>
#include <string>
#include <vector>

namespace morvelan {

class FakeProcesses : public Processes {
public:
    struct Call {
        std::string kind; // "run", "capture" or "startDetached"
        std::filesystem::path program;
        std::vector<std::string> args;
    };
    using Handler =
        std::function<int(const std::filesystem::path&, const std::vector<std::string>&)>;
    using CaptureHandler =
        std::function<std::string(const std::filesystem::path&, const std::vector<std::string>&)>;

    int run(const std::filesystem::path& program, const std::vector<std::string>& args) override {
        calls.push_back({"run", program, args});
        return onRun ? onRun(program, args) : 0;
    }
    std::string capture(const std::filesystem::path& program,
                        const std::vector<std::string>& args) override {
        calls.push_back({"capture", program, args});
        return onCapture ? onCapture(program, args) : std::string();
    }
    Result<void> startDetached(const std::filesystem::path& program,
                               const std::vector<std::string>& args) override {
        calls.push_back({"startDetached", program, args});
        if (!startError.empty()) return failure(startError);
        return success();
    }

    // The calls of one kind, in order.
    std::vector<Call> callsOf(const std::string& kind) const {
        std::vector<Call> out;
        for (const auto& c : calls)
            if (c.kind == kind) out.push_back(c);
        return out;
    }

    Handler onRun;            // exit status of run(); 0 when unset
    CaptureHandler onCapture; // output of capture(); "" when unset
    std::string startError;   // startDetached() fails with it when set
    std::vector<Call> calls;
};

} // namespace morvelan
