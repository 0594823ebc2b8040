#include "winui/TaskListView.h"

#include "program/TaskColumns.h"
#include "winui/WideText.h"

#include <commctrl.h>

namespace kolvane::winui {

TaskListView::TaskListView(HWND listView, TaskTable& table) : listView_(listView), table_(table) {
    AddColumns();
    Fill();
    table_.setListener(this);
}

TaskListView::~TaskListView() {
    table_.setListener(nullptr);
}

void TaskListView::AddColumns() {
    int index = 0;
    for (const program::TaskColumn& column : program::kTaskColumns) {
        std::wstring header = Wide(column.header);
        LVCOLUMNW look{};
        look.mask = LVCF_TEXT | LVCF_WIDTH;
        look.cx = column.width;
        look.pszText = header.data();
        SendMessageW(listView_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++),
                     reinterpret_cast<LPARAM>(&look));
    }
}

void TaskListView::rowsAboutToBeReplaced() {
    refilling_ = true;
}

void TaskListView::rowsReplaced() {
    Fill();
}

// The whole table in one update block of the list view.
void TaskListView::Fill() {
    refilling_ = true;
    SendMessageW(listView_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(listView_, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < table_.rowCount(); ++row) {
        std::wstring caption = Wide(table_.row(row).caption);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = caption.data();
        SendMessageW(listView_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int subItem = 0; subItem < kSubItemCount; ++subItem)
            SetText(row, subItem + 1, table_.cell(row, subItem));
    }
    SendMessageW(listView_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listView_, nullptr, TRUE);
    refilling_ = false;
}

void TaskListView::cellChanged(int row, int subItem) {
    SetText(row, subItem + 1, table_.cell(row, subItem));
}

void TaskListView::SetText(int row, int column, const std::string& text) {
    std::wstring shown = Wide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = shown.data();
    SendMessageW(listView_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void TaskListView::SelectionChanged() {
    if (refilling_)
        return;
    table_.setSelectedIndex(static_cast<int>(
        SendMessageW(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
}

} // namespace kolvane::winui
