// The program's options, shown in the window's system menu after a separator: a table of rows walked by one
// function, so that a new option is a new row. No Windows call here; the menu itself is built by the application.
#pragma once

#include <span>
#include <vector>

enum class OptionKind { Check, Action, Submenu, Separator };

struct OptionRow {
    OptionKind kind = OptionKind::Separator;
    // What choosing the row sends to the window as a command (WM_COMMAND's identifier); 0 for a separator and
    // a submenu.
    int command = 0;
    // The language string the row shows; 0 for a separator.
    int textIndex = 0;
    // Check rows: whether the row shows its check mark. Null for every other kind.
    bool (*checked)() = nullptr;
    // Submenu rows: the rows of the submenu.
    std::span<const OptionRow> rows = {};
};

// The rows of the options, in menu order.
std::span<const OptionRow> OptionRows();

// The system reserves the low four bits of a system-menu command (WM_SYSCOMMAND) and uses the identifiers from
// 0xF000 on for its own commands, so each row that sends a command gets a multiple of 16 from kFirstOptionMenuId
// on, in the order the walk meets the rows. The identifier just below the first marks the options' separator.
constexpr unsigned kFirstOptionMenuId = 0x1000;
constexpr unsigned kOptionMenuIdStep = 16;
constexpr unsigned kSystemMenuIdEnd = 0xF000;
constexpr unsigned kOptionsSeparatorMenuId = kFirstOptionMenuId - kOptionMenuIdStep;

// One row as the menu shows it: its place in the tree (0 for the options themselves, 1 inside a submenu, ...)
// and its system-menu identifier (0 for a separator or a submenu, which send nothing).
struct OptionItem {
    const OptionRow* row = nullptr;
    int depth = 0;
    unsigned menuId = 0;
};

// The rows depth first, each submenu row followed by its own rows: the one walk that both the menu and the
// routing of its commands follow. A row whose identifier would reach kSystemMenuIdEnd gets none.
std::vector<OptionItem> OptionItems(std::span<const OptionRow> rows);

// The command of the row that a system-menu identifier names, its low four bits ignored; 0 when it names none.
int OptionCommandForMenuId(std::span<const OptionRow> rows, unsigned menuId);
// The system-menu identifier of the row that sends the command; 0 when none does.
unsigned OptionMenuIdForCommand(std::span<const OptionRow> rows, int command);
