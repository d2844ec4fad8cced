// FakeAlerts: Alerts that record what was shown and answer with scripted button choices.
#pragma once

#include "core/platform/Alerts.h"

#include <deque>
#include <functional>
#include <vector>

namespace morvelan {

class FakeAlerts : public Alerts {
public:
    int show(const Alert& alert) override {
        shown.push_back(alert);
        if (onShow) onShow(alert);
        if (answers.empty()) return defaultAnswer;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Alert> shown;
    std::deque<int> answers; // button indexes, oldest first
    int defaultAnswer = 0;
    std::function<void(const Alert&)> onShow; // runs while the alert is "open"
};

} // namespace morvelan
