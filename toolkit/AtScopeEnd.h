// The one scope guard of the Windows code: runs a restore when its scope ends, on every path (a borrowed
// keyboard state, a flag that marks a call in progress, windows disabled for a modal loop).
#pragma once

#include <utility>

namespace toolkit {

template <typename Restore>
class AtScopeEnd {
public:
    explicit AtScopeEnd(Restore restore) : restore_(std::move(restore)) {}
    ~AtScopeEnd() { restore_(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

private:
    Restore restore_;
};

}  // namespace toolkit
