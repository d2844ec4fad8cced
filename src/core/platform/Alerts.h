// Alerts: modal message boxes that bring the program to the front first.
#pragma once

#include <string>
#include <vector>

namespace morvelan {

enum class AlertStyle { informational, warning, critical };

struct Alert {
    std::string title;
    std::string text;
    // Left to right as read; the first is the default. Empty means a single "OK".
    std::vector<std::string> buttons;
    AlertStyle style = AlertStyle::informational;
};

class Alerts {
public:
    virtual ~Alerts() = default;
    // Activates the program, shows the alert modally and returns the index of the chosen
    // button, or −1 when it was dismissed without one. Main thread only.
    virtual int show(const Alert& alert) = 0;
};

} // namespace morvelan
