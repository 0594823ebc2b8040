#pragma once

#include <windows.h>

namespace kolvane::winui {

// The small window classes the forms are built from: panels, a splitter and a speed button.
// Panels pass their children's notifications on to their own parent, so a form handles every
// control wherever it sits.

enum class Bevel { None, Lowered, Raised };

// A container in the button-face colour. With a text (SetWindowTextW) it shows it centred in its
// text colour, as the advertisement panel does.
HWND CreatePanel(HWND parent, Bevel bevel, int id = 0);
void SetPanelTextColour(HWND panel, COLORREF colour);
// The area inside the panel's bevel.
RECT PanelInside(HWND panel);

// Sent by a splitter to its parent when a drag ends: wParam is the distance the mouse moved
// across the splitter (down or right positive), as a signed int; lParam is the splitter.
constexpr UINT kSplitterDragEnded = WM_APP + 20;
// A splitter between an upper and a lower pane, and one between a left and a right pane.
HWND CreateHorizontalSplitter(HWND parent, int id);
HWND CreateVerticalSplitter(HWND parent, int id);

// A flat button that never takes the focus; its caption is drawn in its text colour. A click (or
// BM_CLICK) sends WM_COMMAND with BN_CLICKED to its parent.
HWND CreateSpeedButton(HWND parent, int id, const wchar_t* caption);
void SetSpeedButtonTextColour(HWND button, COLORREF colour);

} // namespace kolvane::winui
