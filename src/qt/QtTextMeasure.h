// QtTextMeasure: switcher text widths from Qt's font metrics, with the fonts the painter uses.
#pragma once

#include "core/switcher/TextMeasure.h"

#include <QFont>

#include <string>
#include <unordered_map>

namespace morvelan {

// The platform's interface font at the size (in logical pixels), weight and letter spacing.
QFont toQFont(const Font& font);

class QtTextMeasure : public TextMeasure {
public:
    double width(std::string_view text, const Font& font) override;

private:
    // Widths by font and text: the same names are measured at every opening.
    std::unordered_map<std::string, double> widths_;
};

} // namespace morvelan
