// BindingNotes: what the tray and the settings say about whether a binding works.
#pragma once

#include "core/platform/KeyLabels.h"
#include "core/platform/KeySource.h"

#include <optional>
#include <string>

namespace morvelan::BindingNotes {

// The tray's warning about a binding that does not fire: "Super+Tab is used by xfwm4 — choose
// another shortcut or free it in xfwm4's keyboard settings…"; empty for an active binding.
std::string warning(const BindingState& state, const KeyLabels* labels);

// The settings' note beside the recorder: "Active", "Taken by xfwm4", "Taken by another
// program", "Not available on this keyboard"; empty when the state is unknown.
std::string note(const std::optional<BindingState>& state);

} // namespace morvelan::BindingNotes
