// Text that does not fit: labels, buttons and combo boxes smaller than their text needs, or
// lying over one another, at a given application font and palette.
#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>

#include <vector>

namespace morvelan {

// The application's font at `points` and a light or a dark palette, restored when it ends.
class AppLook {
public:
    AppLook(int points, bool dark)
        : font_(QApplication::font()), palette_(QApplication::palette()) {
        QFont font("DejaVu Sans");
        font.setPointSize(points);
        QApplication::setFont(font);
        QPalette palette = dark ? QPalette(QColor(0x3a, 0x3b, 0x3d), QColor(0x24, 0x25, 0x27))
                                : QPalette(QColor(0xef, 0xef, 0xef), QColor(0xf6, 0xf6, 0xf6));
        if (dark) {
            for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                palette.setColor(role, QColor(0xe8, 0xe8, 0xe8));
            palette.setColor(QPalette::Base, QColor(0x2d, 0x2e, 0x30));
        }
        QApplication::setPalette(palette);
    }
    ~AppLook() {
        QApplication::setFont(font_);
        QApplication::setPalette(palette_);
    }
    AppLook(const AppLook&) = delete;
    AppLook& operator=(const AppLook&) = delete;

private:
    QFont font_;
    QPalette palette_;
};

// What a visible text-bearing widget of `window` shows, as clipped by its ancestors, against
// what its text needs; and every pair of them that overlaps. Rows scrolled out of view are not
// faults.
inline QStringList layoutFaults(QWidget* window) {
    struct Box {
        QWidget* widget;
        QRect shown;
        QString name;
    };
    std::vector<Box> boxes;
    QStringList faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(window)) continue;
        QString text;
        QSize needed;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                       : label->sizeHint();
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            needed = button->sizeHint();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            text = combo->currentText();
            needed = combo->sizeHint();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            text = edit->text();
            needed = QSize(0, edit->sizeHint().height());
        }
        if (text.isEmpty()) continue;
        QRect shown(w->mapTo(window, QPoint()), w->size());
        bool scrolled = false;
        for (QWidget* p = w->parentWidget(); p && p != window && !scrolled; p = p->parentWidget()) {
            const QRect area(p->mapTo(window, QPoint()), p->size());
            auto* scroll = qobject_cast<QAbstractScrollArea*>(p->parentWidget());
            // In a scrolling list only the width is the list's to keep.
            scrolled = scroll && scroll->viewport() == p;
            shown &=
                scrolled ? QRect(area.left(), shown.top(), area.width(), shown.height()) : area;
        }
        if (scrolled && !shown.isEmpty() && !shown.intersects(window->rect())) continue;
        if (!scrolled) shown &= window->rect();
        const QString name = QString("%1 \"%2\"").arg(w->metaObject()->className(), text);
        if (shown.width() < needed.width() || shown.height() < needed.height())
            faults << QString("%1 shown %2×%3, needs %4×%5")
                          .arg(name)
                          .arg(shown.width())
                          .arg(shown.height())
                          .arg(needed.width())
                          .arg(needed.height());
        boxes.push_back({w, shown, name});
    }
    for (QHeaderView* header : window->findChildren<QHeaderView*>()) {
        if (!header->isVisibleTo(window)) continue;
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            const QString title = header->model()->headerData(i, header->orientation()).toString();
            const int needed = header->fontMetrics().horizontalAdvance(title) + 2 * margin;
            if (!title.isEmpty() && !header->isSectionHidden(i) && header->sectionSize(i) < needed)
                faults << QString("column \"%1\" %2 wide, needs %3")
                              .arg(title)
                              .arg(header->sectionSize(i))
                              .arg(needed);
        }
    }
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (a.widget->isAncestorOf(b.widget) || b.widget->isAncestorOf(a.widget)) continue;
            if (a.shown.intersects(b.shown)) faults << a.name + " overlaps " + b.name;
        }
    return faults;
}

} // namespace morvelan
