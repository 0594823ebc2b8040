#pragma once

#include <windows.h>

namespace kolvane::winui {

// A modal dialog with a fixed frame whose only title-bar button is the close button, owned by the
// application window and centred over the window it is shown over. Its controls are made by the
// derived class; Enter and Escape reach it only as the commands IDOK and IDCANCEL, which a
// derived class takes or leaves.
class FixedDialog {
public:
    virtual ~FixedDialog();
    FixedDialog(const FixedDialog&) = delete;
    FixedDialog& operator=(const FixedDialog&) = delete;

    HWND handle() const { return window_; }
    // Runs the dialog modally over `over` until it ends.
    void ShowModal(HWND over);
    // Ends the modal run.
    void Finish();

    // The dialog behind one of its windows, null for any other window.
    static FixedDialog* FromWindow(HWND window);

protected:
    FixedDialog(const wchar_t* className, const wchar_t* caption, int clientWidth,
                int clientHeight);
    // Every message of the dialog; what it does not take goes to DefWindowProcW.
    virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Before the dialog shows: where the focus starts.
    virtual void FormShow() {}
    // When the dialog closes, whichever way.
    virtual void FormClose() {}

    HWND Child(const wchar_t* className, const wchar_t* text, DWORD style, HWND parent, int id,
               int left, int top, int width, int height, DWORD extendedStyle = 0) const;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    bool finished_ = false;
};

} // namespace kolvane::winui
