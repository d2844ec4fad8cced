// Start-up steps that need only the store.
#pragma once

#include "core/model/ContextStore.h"

namespace morvelan {

// Adds the "Default" context (brand colour) when the store holds no context at all.
void addDefaultContextIfEmpty(ContextStore& store);

} // namespace morvelan
