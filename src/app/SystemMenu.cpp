// The options in the system menu: the rows of run/OptionsMenu turned into menu items, one walk for all of them.
#include "app/SystemMenu.h"

#include <vector>

#include "base/WideText.h"
#include "i18n/LanguageTables.h"

namespace {

const wchar_t* RowText(const OptionRow& row) {
    const char16_t* text = GetText(row.textIndex);
    return text ? AsWide(text) : L"";
}

// The position of the options' separator, or the item count when the menu holds no options yet.
int OptionsStart(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        if (GetMenuItemID(menu, position) == kOptionsSeparatorMenuId)
            return position;
    }
    return count < 0 ? 0 : count;
}

// Whether the menu is a submenu hanging, at any depth, in the menu from the position on.
bool HoldsSubmenu(HMENU parent, int from, HMENU menu) {
    const int count = GetMenuItemCount(parent);
    for (int position = from; position < count; ++position) {
        HMENU submenu = GetSubMenu(parent, position);
        if (submenu && (submenu == menu || HoldsSubmenu(submenu, 0, menu)))
            return true;
    }
    return false;
}

// Appends one item per row; a submenu's rows go into a popup of its own.
void AppendOptions(HMENU systemMenu, std::span<const OptionRow> rows) {
    // open[d] takes the rows of depth d; null under a submenu that could not be made, whose rows are left out
    // rather than put into the wrong menu.
    std::vector<HMENU> open = {systemMenu};
    for (const OptionItem& item : OptionItems(rows)) {
        open.resize(size_t(item.depth) + 1);
        HMENU menu = open.back();
        const OptionRow& row = *item.row;
        if (row.kind == OptionKind::Submenu) {
            HMENU popup = menu ? CreatePopupMenu() : nullptr;
            if (popup && !AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), RowText(row))) {
                DestroyMenu(popup);
                popup = nullptr;
            }
            open.push_back(popup);
            continue;
        }
        if (!menu)
            continue;
        if (row.kind == OptionKind::Separator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        // A row without an identifier could not be told apart when chosen.
        if (item.menuId == 0)
            continue;
        const bool checked = row.kind == OptionKind::Check && row.checked && row.checked();
        AppendMenuW(menu, MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), item.menuId, RowText(row));
    }
}

}  // namespace

void ShowOptionsInSystemMenu(HWND window, std::span<const OptionRow> rows) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    // Deleting a submenu's item destroys the submenu too.
    const int start = OptionsStart(menu);
    while (GetMenuItemCount(menu) > start)
        DeleteMenu(menu, UINT(start), MF_BYPOSITION);
    AppendMenuW(menu, MF_SEPARATOR, kOptionsSeparatorMenuId, nullptr);
    AppendOptions(menu, rows);
}

void OnInitMenuPopup(HWND window, HMENU menu, bool systemMenu) {
    HMENU windowMenu = GetSystemMenu(window, FALSE);
    if (!windowMenu || !(systemMenu || menu == windowMenu))
        return;
    // A submenu of the options opening must not rebuild, and so destroy, the menu it hangs in.
    if (menu != windowMenu && HoldsSubmenu(windowMenu, OptionsStart(windowMenu), menu))
        return;
    ShowOptionsInSystemMenu(window);
}

bool RouteOptionCommand(HWND window, WPARAM systemCommand) {
    const int command = OptionCommandForMenuId(OptionRows(), unsigned(systemCommand));
    if (command == 0)
        return false;
    // The same way as a toolbar button's command.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return true;
}
