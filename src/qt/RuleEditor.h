// RuleEditor: one rule of a context — its conditions, a live count of the windows it matches
// that expands to the list, and its removal.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

namespace morvelan {

class RuleEditor : public QWidget {
    Q_OBJECT
public:
    RuleEditor(SettingsModel& model, const Uuid& contextID, std::size_t ruleIndex,
               QWidget* parent = nullptr);
    void refresh();

    std::size_t ruleIndex() const { return ruleIndex_; }
    bool showMatches() const { return showMatches_; }

    // One condition's controls.
    struct ConditionRow {
        QWidget* row = nullptr;
        QComboBox* field = nullptr;
        QComboBox* op = nullptr;
        QLineEdit* value = nullptr;
        QToolButton* remove = nullptr;
    };
    const std::vector<ConditionRow>& conditionRows() const { return rows_; }
    QToolButton* addConditionButton() const { return addCondition_; }
    QToolButton* summaryButton() const { return summary_; }
    QToolButton* removeRuleButton() const { return removeRule_; }
    QWidget* matchesPanel() const { return matches_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Rule* rule() const;
    void rebuildRows(const Rule& rule);
    void writeCondition(std::size_t clause);
    void refreshMatches(const Rule& rule, const std::vector<Win>& matched);

    SettingsModel& model_;
    Uuid contextID_;
    std::size_t ruleIndex_;
    bool showMatches_ = false;

    QVBoxLayout* rowsLayout_ = nullptr;
    std::vector<ConditionRow> rows_;
    QToolButton* addCondition_ = nullptr;
    QToolButton* summary_ = nullptr;
    QToolButton* removeRule_ = nullptr;
    QWidget* matches_ = nullptr;
    QVBoxLayout* matchesLayout_ = nullptr;
};

} // namespace morvelan
