// FormSection: one group of a settings form — a header, a rounded card of rows divided by thin
// lines, and an optional footer.
#pragma once

#include <QMargins>
#include <QString>
#include <QWidget>

class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace morvelan {

class FormSection : public QWidget {
    Q_OBJECT
public:
    // An empty `title` leaves out the header.
    explicit FormSection(const QString& title, QWidget* parent = nullptr);

    // Appends a row under a divider (none before the first).
    void addRow(QWidget* row);
    // A row of a label on the left and `content` on the right.
    QWidget* addLabeledRow(const QString& label, QWidget* content);
    // Removes and deletes every row.
    void clearRows();
    // Trailing content of the header (a button).
    void setHeaderAccessory(QWidget* accessory);
    void setFooter(const QString& text);

    QLabel* header() const { return header_; }
    QLabel* footer() const { return footer_; }
    int rowCount() const { return rows_; }

private:
    QLabel* header_ = nullptr;
    QHBoxLayout* headerRow_ = nullptr;
    QWidget* card_ = nullptr;
    QVBoxLayout* cardLayout_ = nullptr;
    QLabel* footer_ = nullptr;
    int rows_ = 0;
};

// A vertically scrolling form added to `into`: the column layout of its page, which is as tall
// as its wrapped text needs at the width shown.
QVBoxLayout* addScrollingForm(QBoxLayout* into, QMargins margins, int spacing);

} // namespace morvelan
