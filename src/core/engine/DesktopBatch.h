// DesktopBatch: holds a Desktop batch open for the lifetime of a scope.
#pragma once

#include "core/platform/Desktop.h"

namespace morvelan {

class DesktopBatch {
public:
    explicit DesktopBatch(Desktop& desktop) : desktop_(desktop) { desktop_.beginBatch(); }
    ~DesktopBatch() { desktop_.endBatch(); }
    DesktopBatch(const DesktopBatch&) = delete;
    DesktopBatch& operator=(const DesktopBatch&) = delete;

private:
    Desktop& desktop_;
};

} // namespace morvelan
