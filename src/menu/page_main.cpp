// Page 0, the main page: the title "Tavrel 2.2" and one link row a settings
// page. Its labels are drawn as they are (no toggle column), the selected
// one as a heading, and it reads neither left nor right.
#include "host/version.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr PageRow kTable[] = {
    {.kind = RowKind::Link, .label = "LOCKS", .nested = &lock_page},
    {.kind = RowKind::Link, .label = "DOORS", .nested = &door_page},
    {.kind = RowKind::Link, .label = "LIGHTS", .nested = &light_page},
    {.kind = RowKind::Link, .label = "SOUNDS", .nested = &sound_page},
    {.kind = RowKind::Link, .label = "COLOR CHANGER", .nested = &colour_changer_page},
    {.kind = RowKind::Link, .label = "ENGINE", .nested = &engine_page},
    {.kind = RowKind::Link, .label = "MISC", .nested = &misc_page},
    {.kind = RowKind::Link, .label = "MENU UI SETTINGS", .nested = &menu_ui_page},
};

}  // namespace

constinit MenuPage main_page{.number = kMainPage, .parent = kMainPage, .title = "Tavrel " TAVREL_VERSION_TEXT, .table = kTable,
                             .selected_style = RowStyle::MainSelected, .toggle_column = false,
                             .reads_sideways = false};

}  // namespace tavrel
