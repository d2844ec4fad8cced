// QtTextMeasure: font mapping and measurement for the switcher.
#include "qt/QtTextMeasure.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace morvelan {

QFont toQFont(const Font& font) {
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

double QtTextMeasure::width(std::string_view text, const Font& font) {
    const QFontMetricsF metrics(toQFont(font));
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

} // namespace morvelan
