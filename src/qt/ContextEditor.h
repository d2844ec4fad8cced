// ContextEditor: the sheet that edits one context — name, colour, workspace, include and
// exclude rules, pinned windows — and deletes it.
#pragma once

#include "core/settings/SettingsModel.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace morvelan {

class FormSection;
class RuleEditor;
class WindowRow;

class ContextEditor : public QDialog {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 540;
    static constexpr int sheetHeight = 620;

    ContextEditor(SettingsModel& model, const Uuid& contextID, QWidget* parent = nullptr);
    void refresh();

    const Uuid& contextID() const { return contextID_; }
    // false: include rules are listed; true: exclude rules.
    bool ruleTab() const { return ruleTab_; }
    void setRuleTab(bool exclude);

    QLineEdit* nameField() const { return name_; }
    QPushButton* colorButton() const { return color_; }
    QComboBox* workspacePicker() const { return workspace_; }
    QPushButton* includeButton() const { return include_; }
    QPushButton* excludeButton() const { return exclude_; }
    QLabel* explanation() const { return explanation_; }
    const std::vector<RuleEditor*>& ruleEditors() const { return rules_; }
    QPushButton* addRuleButton() const { return addRule_; }
    QPushButton* clearPinsButton() const { return clearPins_; }
    const std::vector<WindowRow*>& pinRows() const { return pinRows_; }
    QLabel* noPinsLabel() const { return noPins_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* doneButton() const { return done_; }

private:
    void pickColor();
    void refreshRules(const Context& context);
    void refreshPins(const Context& context);

    SettingsModel& model_;
    Uuid contextID_;
    bool ruleTab_ = false;

    QLineEdit* name_ = nullptr;
    QPushButton* color_ = nullptr;
    QComboBox* workspace_ = nullptr;
    std::vector<std::pair<Uuid, std::string>> shownWorkspaces_;
    QPushButton* include_ = nullptr;
    QPushButton* exclude_ = nullptr;
    QLabel* explanation_ = nullptr;
    QVBoxLayout* rulesLayout_ = nullptr;
    std::vector<RuleEditor*> rules_;
    std::vector<std::size_t> shownRules_;
    bool shownTab_ = false;
    QPushButton* addRule_ = nullptr;
    FormSection* pins_ = nullptr;
    QPushButton* clearPins_ = nullptr;
    QLabel* noPins_ = nullptr;
    std::vector<WindowRow*> pinRows_;
    QPushButton* delete_ = nullptr;
    QPushButton* done_ = nullptr;
};

} // namespace morvelan
