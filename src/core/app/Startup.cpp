#include "core/app/Startup.h"

#include "core/model/Color.h"

namespace morvelan {

void addDefaultContextIfEmpty(ContextStore& store) {
    if (!store.contexts.empty()) return;
    store.add(makeContext("Default", std::string(brand)));
}

} // namespace morvelan
