// The windowed control: one native window, its bounds, caption and font, and message dispatch to the object.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "toolkit/Graphics.h"

namespace toolkit {

class TTimer;

class TWinControl {
public:
    virtual ~TWinControl();
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;

    HWND Handle() const { return handle_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);

    std::string Caption() const;
    void SetCaption(const std::string& caption);
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);

    // The control object behind a window of this toolkit, or null.
    static TWinControl* FromHandle(HWND window);

protected:
    struct CreateParams {
        const char* ClassName = nullptr;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        HWND Parent = nullptr;
        std::string Caption = {};
        int Left = 0;
        int Top = 0;
        int Width = 0;
        int Height = 0;
    };

    TWinControl() = default;
    // Classes registered with WindowProcedure get their messages in WndProc; native classes (STATIC, BUTTON)
    // keep their own procedure and only report notifications through their parent.
    void CreateHandle(const CreateParams& params, bool ownClass);
    // A visible child window at the given place in its parent.
    void CreateChild(TWinControl& parent, const char* className, DWORD style, const std::string& caption,
                     int left, int top, int width, int height, bool ownClass);
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_COMMAND notification that the parent received from this control.
    virtual void Notify(WORD /*code*/) {}
    virtual void CaptionChanged() {}
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    friend class TTimer;
    void DestroyHandle() noexcept;
    void ApplyFont();

    HWND handle_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    TFont font_;
    UniqueFont fontHandle_;
    std::vector<TTimer*> timers_;
};

}  // namespace toolkit
