#include "winui/PathPickers.h"

#include "winui/WideText.h"

// windows.h declares what the other system headers use.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
// clang-format on

namespace kolvane::winui {
namespace {

PathPickerResponder& Responder() {
    static PathPickerResponder responder;
    return responder;
}

// Holds one reference of a COM object and gives it back.
template <typename Interface> class Held {
public:
    Held() = default;
    ~Held() {
        if (object_)
            object_->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface** out() { return &object_; }
    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }

private:
    Interface* object_ = nullptr;
};

// The dialog is a COM object of the UI thread's apartment; the thread may not have joined one.
class ApartmentOfThisThread {
public:
    ApartmentOfThisThread()
        : joined_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ApartmentOfThisThread() {
        if (joined_)
            CoUninitialize();
    }
    ApartmentOfThisThread(const ApartmentOfThisThread&) = delete;
    ApartmentOfThisThread& operator=(const ApartmentOfThisThread&) = delete;

private:
    bool joined_;
};

// Opens the dialog in the folder the field names, when it names one; else where it would open.
void OpenIn(IFileOpenDialog& dialog, const std::string& start) {
    if (start.empty())
        return;
    Held<IShellItem> folder;
    if (SUCCEEDED(SHCreateItemFromParsingName(Wide(start).c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(folder.out()))))
        dialog.SetFolder(folder.get());
}

std::optional<std::string> ShowDialog(HWND over, const program::PathRequest& request) {
    const ApartmentOfThisThread apartment;
    Held<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(dialog.out()))))
        return std::nullopt;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR;
    if (request.kind == program::PathKind::Directory)
        options |= FOS_PICKFOLDERS;
    else
        options |= FOS_FILEMUSTEXIST;
    dialog->SetOptions(options);
    dialog->SetTitle(Wide(request.caption).c_str());
    OpenIn(*dialog.get(), request.start);
    if (FAILED(dialog->Show(over)))
        return std::nullopt; // cancelled, too
    Held<IShellItem> chosen;
    if (FAILED(dialog->GetResult(chosen.out())))
        return std::nullopt;
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)))
        return std::nullopt;
    std::string result = Utf8(path);
    CoTaskMemFree(path);
    return result;
}

} // namespace

void SetPathPickerResponder(PathPickerResponder responder) {
    Responder() = std::move(responder);
}

std::optional<std::string> PickPath(HWND over, const program::PathRequest& request) {
    if (Responder())
        return Responder()(request);
    return ShowDialog(over, request);
}

} // namespace kolvane::winui
