// Label and push button on the native STATIC and BUTTON windows.
#pragma once

#include <functional>
#include <string>

#include "toolkit/Control.h"

namespace toolkit {

// A line of text. The first caption takes the stored layout's size; later captions resize the label to
// their text, so a longer caption is never clipped.
class TLabel final : public TWinControl {
public:
    TLabel(TWinControl& parent, const std::string& caption, int left, int top, int width, int height);
    // Widens (or heightens) the label to its text where the font draws it larger than the layout's size, as a
    // substituted font does; a label never shrinks below its layout.
    void GrowToText();

private:
    void CaptionChanged() override;
};

class TButton final : public TWinControl {
public:
    TButton(TWinControl& parent, const std::string& caption, int left, int top, int width, int height);
    // As a click of the user: runs OnClick, then a modal result other than 0 ends a modal form with it.
    void Click();

    std::function<void()> OnClick;
    int ModalResult = 0;

private:
    void Notify(WORD code) override;
};

}  // namespace toolkit
