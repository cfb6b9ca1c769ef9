#pragma once
// Qt key codes to the key codes the player's input handlers take (the old
// platform's virtual-key numbers: letters and digits are their ASCII codes,
// Left 37, Right 39, Ctrl 17). Keys without a number there map to 0, which
// the handlers treat as "any other key".

namespace parvel::ui {

int playerKeyCode(int qtKey);

}  // namespace parvel::ui
