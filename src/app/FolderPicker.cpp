// The folder dialog (IFileDialog with FOS_PICKFOLDERS; the older shell folder browser where that cannot be made)
// and the real-disk load's folder setting behind it.
#include "app/FolderPicker.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/WideText.h"
#include "i18n/LanguageTables.h"
#include "i18n/TextArguments.h"
#include "stress/RealDiskWorker.h"

namespace {

constexpr int kChooseFolderTitleText = 219;
constexpr int kFolderTooLongText = 226;

struct ProblemText {
    DiskIo problem;
    int text;
};
const ProblemText kProblemTexts[] = {
    {DiskIo::FolderMissing, 222},
    {DiskIo::NotAFolder, 223},
    {DiskIo::NotWritable, 224},
    {DiskIo::FolderGone, 225},
};

// Releases a COM interface when it goes.
template <typename Interface>
struct Held {
    Interface* pointer = nullptr;
    ~Held() {
        if (pointer)
            pointer->Release();
    }
};

bool PickWithFileDialog(HWND owner, const wchar_t* title, const std::wstring& initial, std::wstring& chosen) {
    Held<IFileDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                reinterpret_cast<void**>(&dialog.pointer))))
        return false;
    DWORD options = 0;
    dialog.pointer->GetOptions(&options);
    dialog.pointer->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog.pointer->SetTitle(title);
    Held<IShellItem> start;
    if (!initial.empty() && SUCCEEDED(SHCreateItemFromParsingName(initial.c_str(), nullptr, IID_IShellItem,
                                                                  reinterpret_cast<void**>(&start.pointer))))
        dialog.pointer->SetFolder(start.pointer);
    // Cancelled, or the dialog could not show: nothing chosen, and no second dialog either.
    if (FAILED(dialog.pointer->Show(owner)))
        return true;
    Held<IShellItem> result;
    wchar_t* path = nullptr;
    if (SUCCEEDED(dialog.pointer->GetResult(&result.pointer)) &&
        SUCCEEDED(result.pointer->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        chosen = path;
        CoTaskMemFree(path);
    }
    return true;
}

// The text with its "%1" replaced by the argument.
std::wstring WithArgument(const char16_t* text, const std::wstring& argument) {
    const std::u16string filled =
        InsertArguments(text ? text : u"%1", {std::u16string_view(AsUtf16(argument.c_str()), argument.size())});
    return AsWide(filled.c_str());
}

std::wstring PickWithFolderBrowser(HWND owner, const wchar_t* title) {
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse);
    if (!list)
        return std::wstring();
    // The shell browser's paths are limited to MAX_PATH.
    wchar_t path[MAX_PATH + 1] = {};
    const bool named = SHGetPathFromIDListW(list, path) != 0;
    CoTaskMemFree(list);
    return named ? path : std::wstring();
}

}  // namespace

std::wstring PickFolder(HWND owner, const wchar_t* title, const std::wstring& initial) {
    // The dialogs need COM in a single-threaded apartment on this thread; a thread that has it already keeps it.
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::wstring chosen;
    if (!PickWithFileDialog(owner, title, initial, chosen))
        chosen = PickWithFolderBrowser(owner, title);
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return chosen;
}

void ChooseDiskFolder(HWND window) {
    const std::u16string& current = DiskChoice.folder;
    const std::wstring chosen = PickFolder(window, AsWide(GetText(kChooseFolderTitleText)),
                                           RealDiskFolderFor(std::wstring(current.begin(), current.end())));
    if (chosen.empty())
        return;
    if (SetDiskFolder(chosen, true))
        return;
    MessageBoxW(window, WithArgument(GetText(kFolderTooLongText), chosen).c_str(), L"Kestrovane",
                MB_OK | MB_ICONWARNING);
}

std::wstring DiskProblemMessage(int problem, const std::wstring& folder) {
    for (const ProblemText& known : kProblemTexts)
        if (int(known.problem) == problem)
            return WithArgument(GetText(known.text), folder);
    return std::wstring();
}

void OnDiskProblem(HWND window, WPARAM problem) {
    const std::u16string& chosen = DiskChoice.folder;
    const std::wstring message =
        DiskProblemMessage(int(problem), RealDiskFolderFor(std::wstring(chosen.begin(), chosen.end())));
    if (!message.empty())
        MessageBoxW(window, message.c_str(), L"Kestrovane", MB_OK | MB_ICONWARNING);
}
