#include "menu/menu.h"

#include "config/settings.h"
#include "host/native_invoker.h"

namespace tavrel {

namespace {
constexpr int kLocalPlayer = 0;
constexpr int kControlRemovedFlags = 256;
}  // namespace

void runMenu() {
    // The pages come with the menu framework; until then the menu closes at once.
}

void applyMenuInputBlock(bool blocked) {
    settings.game_input_disabled_while_menu_is_open = blocked;
    invoke(nat::SET_PLAYER_CONTROL, kLocalPlayer, !blocked, blocked ? kControlRemovedFlags : 0);
}

}  // namespace tavrel
