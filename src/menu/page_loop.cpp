#include "menu/page_loop.h"

#include "host/host_abi.h"
#include "input/input.h"
#include "menu/menu.h"
#include "menu/menu_values.h"

namespace tavrel {

PageCommand pickMovement(const NavigationInput& input, bool right_first) {
    if (input.up) return PageCommand::Up;
    if (input.down) return PageCommand::Down;
    if (right_first && input.right) return PageCommand::Right;
    if (input.left) return PageCommand::Left;
    if (input.right) return PageCommand::Right;
    return PageCommand::Idle;
}

int wrapRowIndex(int index, int count, int delta) {
    if (count <= 1) return 0;
    if (delta < 0) return index <= 0 ? count - 1 : index - 1;
    return index >= count - 1 ? 0 : index + 1;
}

PageCommand readPageCommand(bool reads_select, bool reads_sideways, bool right_first) {
    NavigationInput input;
    readMenuNavigation(reads_select ? &input.select : nullptr, &input.back, &input.up, &input.down,
                       reads_sideways ? &input.left : nullptr, reads_sideways ? &input.right : nullptr);
    if (input.select) return PageCommand::Select;
    if (input.back) return PageCommand::Back;
    if (isMenuToggleRequested()) return PageCommand::Close;
    return pickMovement(input, right_first);
}

void showFrames(Tick wait, void (*draw)(const void* context), const void* context) {
    const Tick start = host::getTickCount();
    do {
        draw(context);
        host::scriptWait(0);
    } while (!hasElapsed(start, wait, host::getTickCount()));
}

namespace {

// Row `index` as drawn: its label, in the toggle column where the page has
// one.
MenuText shownText(const MenuPage& page, int index) {
    const MenuRow& row = page.shown[index];
    return page.toggle_column ? formatToggleLabel(row.label, row.toggle) : row.label;
}

}  // namespace

void drawPage(const MenuPage& page) {
    drawTitleLine(page.title);
    const int selected = page.selected;
    const int count = page.table.size();
    for (int i = 0; i < count; ++i) {
        if (i != selected) drawRowLine(shownText(page, i).text, i, RowStyle::Plain);
    }
    if (selected >= 0 && selected < count) drawRowLine(shownText(page, selected).text, selected, page.selected_style);
}

void leavePage(PageCommand command, std::int32_t parent) {
    playNavigationSound();
    if (command == PageCommand::Back) {
        menu_state.current_page = parent;
    } else {
        menu_state.close_request = true;
    }
}

Tick moveSelection(int& selection, int count, PageCommand command) {
    playNavigationSound();
    selection = wrapRowIndex(selection, count, command == PageCommand::Up ? -1 : +1);
    return kMenuRepeatMs;
}

namespace {
void drawPageFrame(const void* context) { drawPage(*static_cast<const MenuPage*>(context)); }
}  // namespace

void runPageLoop(MenuPage& page) {
    Tick wait = kMenuRepeatMs;
    for (;;) {
        noticeFailedSave();  // of the previous action's write
        showFrames(wait, drawPageFrame, &page);
        const PageCommand command = readPageCommand(page.reads_select, page.reads_sideways, page.right_first);
        switch (command) {
            case PageCommand::Select:
                selectPageRow(page, page.selected);
                if (menu_state.close_request) return;  // a nested page saw the toggle
                wait = kSelectWaitMs;
                break;
            case PageCommand::Back:
            case PageCommand::Close:
                leavePage(command, page.parent);
                return;
            case PageCommand::Up:
            case PageCommand::Down:
                wait = moveSelection(page.selected, page.table.size(), command);
                break;
            case PageCommand::Left:
                wait = stepPageRow(page, page.selected, -1);
                break;
            case PageCommand::Right:
                wait = stepPageRow(page, page.selected, +1);
                break;
            case PageCommand::Idle:
                wait = kNextFrameMs;
                break;
        }
    }
}

}  // namespace tavrel
