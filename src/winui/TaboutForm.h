#pragma once

#include "winui/FixedDialog.h"

namespace kolvane::winui {

// The about box: the product's name and the home page as a link.
class TaboutForm final : public FixedDialog {
public:
    static constexpr wchar_t kClassName[] = L"TaboutForm";
    static constexpr int kClientWidth = 317;
    static constexpr int kClientHeight = 125;

    TaboutForm();

    struct Controls {
        HWND Image1 = nullptr;
        HWND Label1 = nullptr;
        HWND Label2 = nullptr;
        HWND Label3 = nullptr;
        HWND BitBtn1 = nullptr;
    };
    const Controls& controls() const { return controls_; }

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow() override;
    HWND Label(const wchar_t* text, int left, int top, HFONT font, DWORD style = 0);

    void Label3Click();
    void BitBtn1Click();

    Controls controls_;
};

// A fresh about box, shown modally over `over` and destroyed when it closes.
void ShowAboutBox(HWND over);

} // namespace kolvane::winui
