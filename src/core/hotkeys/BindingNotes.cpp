// BindingNotes: the texts about whether a binding works.
#include "core/hotkeys/BindingNotes.h"

#include "core/hotkeys/KeyText.h"

namespace morvelan::BindingNotes {

std::string warning(const BindingState& state, const KeyLabels* labels) {
    const std::string combo = KeyText::of({state.combo.keyCode, state.combo.mods}, labels);
    switch (state.kind) {
    case BindingState::Kind::active:
        break;
    case BindingState::Kind::taken:
        // X cannot tell who holds a grab: the window manager is named because it usually does.
        if (state.holder.empty())
            return combo + " is used by another program — choose another shortcut or free it "
                           "there…";
        return combo + " is used by " + state.holder + " — choose another shortcut or free it in " +
               state.holder + "'s keyboard settings…";
    case BindingState::Kind::unusable:
        return combo + " cannot be used on this keyboard — choose another shortcut…";
    }
    return {};
}

std::string note(const std::optional<BindingState>& state) {
    if (!state) return {};
    switch (state->kind) {
    case BindingState::Kind::active:
        return "Active";
    case BindingState::Kind::taken:
        return "Taken by " +
               (state->holder.empty() ? std::string("another program") : state->holder);
    case BindingState::Kind::unusable:
        return "Not available on this keyboard";
    }
    return {};
}

} // namespace morvelan::BindingNotes
