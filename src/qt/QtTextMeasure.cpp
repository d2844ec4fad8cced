// QtTextMeasure: font mapping and measurement for the switcher.
#include "qt/QtTextMeasure.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>

namespace morvelan {

namespace {

QFont makeQFont(const Font& font) {
    QFont qfont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Pixel sizes: the panel's geometry is in logical pixels, whatever the screen's DPI.
    qfont.setPixelSize(std::max(1, int(std::lround(font.size))));
    switch (font.weight) {
    case FontWeight::regular:
        qfont.setWeight(QFont::Normal);
        break;
    case FontWeight::medium:
        qfont.setWeight(QFont::Medium);
        break;
    case FontWeight::semibold:
        qfont.setWeight(QFont::DemiBold);
        break;
    case FontWeight::bold:
        qfont.setWeight(QFont::Bold);
        break;
    }
    if (font.kern != 0) qfont.setLetterSpacing(QFont::AbsoluteSpacing, font.kern);
    return qfont;
}

} // namespace

QFont toQFont(const Font& font) {
    // The switcher uses a handful of fonts, asked for at every opening and every paint.
    static std::map<std::tuple<double, int, double>, QFont> fonts;
    const auto key = std::make_tuple(font.size, int(font.weight), font.kern);
    auto it = fonts.find(key);
    if (it == fonts.end()) it = fonts.emplace(key, makeQFont(font)).first;
    return it->second;
}

double QtTextMeasure::width(std::string_view text, const Font& font) {
    std::string key = std::to_string(font.size) + '|' + std::to_string(int(font.weight)) + '|' +
                      std::to_string(font.kern) + '|';
    key += text;
    if (auto it = widths_.find(key); it != widths_.end()) return it->second;
    // A bound for names that keep changing.
    if (widths_.size() >= 1024) widths_.clear();
    const QFontMetricsF metrics(toQFont(font));
    const double width =
        metrics.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
    widths_.emplace(std::move(key), width);
    return width;
}

} // namespace morvelan
