// The interface through which a validated edit tells a companion component what happens to it. The library
// holds only this abstract list; a concrete list implements the ten operations in their order.
#pragma once

#include <cstdint>
#include <set>

#include "toolkit/Control.h"

namespace useredit {

class TCustomUserEdit;

class TCustomEditHistoryList {
public:
    TCustomEditHistoryList() = default;
    // Clears the links of the edits that still refer to this list (see DetachEdits).
    virtual ~TCustomEditHistoryList();
    TCustomEditHistoryList(const TCustomEditHistoryList&) = delete;
    TCustomEditHistoryList& operator=(const TCustomEditHistoryList&) = delete;

    // The edit forwards key releases only while this is true; a concrete list sets it.
    bool ForwardKeyUp = false;

    virtual void SetEditControl(TCustomUserEdit* edit) = 0;
    virtual void EditBoundsChanged(std::int32_t left, std::int32_t top, std::int32_t width,
                                   std::int32_t height) = 0;
    virtual void EditValueAccepted() = 0;
    // The fourth and fifth operations: never called by the library, kept in their places for concrete lists.
    virtual void Reserved4() = 0;
    virtual void Reserved5() = 0;
    virtual void EditEntered() = 0;
    virtual void EditLeft() = 0;
    virtual void EditKeyDown(std::uint16_t& key, toolkit::TShiftState shift) = 0;
    virtual void EditKeyUp(std::uint16_t& key, toolkit::TShiftState shift) = 0;
    // The tenth operation: never called by the library.
    virtual void Reserved10() = 0;

protected:
    // Clears the link of every edit that refers to this list, without calling anything else on the edits, so
    // none of them uses the list after it is gone. A concrete list calls it first thing in its destructor
    // (the edits must not reach its operations half-destroyed); the base destructor calls it again.
    void DetachEdits() noexcept;

private:
    friend class TCustomUserEdit;
    std::set<TCustomUserEdit*> linkedEdits_;
};

}  // namespace useredit
