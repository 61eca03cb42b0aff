#include "core/key_names.h"

#include "core/win_codes.h"

#include <cstdio>

namespace clickwisp {

std::string KeyName(int code)
{
    switch (code) {
    case 1: return "[LButton]";
    case 2: return "[RButton]";
    case 3: return "[Cancel]";
    case 4: return "[MButton]";
    case 8: return "[BackSpace]";
    case 9: return "[Tab]";
    case 12: return "[Clear]";
    case 13: return "[Enter]";
    case 16: return "[Shift]";
    case 17: return "[Ctrl]";
    case 18: return "[Alt]";
    case 19: return "[Pause]";
    case 20: return "[Capital]";
    case 27: return "[Escape]";
    case 32: return "[Space]";
    case 33: return "[Page Up]";
    case 34: return "[Page Down]";
    case 35: return "[End]";
    case 36: return "[Home]";
    case 37: return "[Left]";
    case 38: return "[Up]";
    case 39: return "[Right]";
    case 40: return "[Down]";
    case 41: return "[Select]";
    case 43: return "[Execute]";
    case 44: return "[Print Screen]";
    case 45: return "[Insert]";
    case 46: return "[Delete]";
    case 106: return "Num[*]";
    case 107: return "Num[+]";
    case 109: return "Num[-]";
    case 110: return "Num[.]";
    case 111: return "Num[/]";
    case 144: return "[Num Lock]";
    case 145: return "[Scroll Lock]";
    case 186: return ";";
    case 187: return "=";
    case 188: return ",";
    case 189: return "-";
    case 190: return ".";
    case 191: return "/";
    case 192: return "`";
    case 219: return "[";
    case 220: return "\\";
    case 221: return "]";
    case 222: return "'";
    default: break;
    }
    if ((code >= 48 && code <= 57) || (code >= 65 && code <= 90))
        return std::string(1, char(code));
    if (code >= 96 && code <= 105)
        return "Num[" + std::to_string(code - 96) + "]";
    if (code >= 112 && code <= 123)
        return "F" + std::to_string(code - 111);
    return {};
}

std::string HotKeyText(uint32_t modifiers, uint32_t vk)
{
    std::string text;
    if (modifiers & MOD_CONTROL)
        text += "CTRL+";
    if (modifiers & MOD_ALT)
        text += "ALT+";
    if (vk >= VK_F1 && vk < VK_F1 + 24) {
        text += "F" + std::to_string(vk - VK_F1 + 1);
    } else if (std::string name = KeyName(int(vk)); !name.empty()) {
        text += name;
    } else {
        char code[16];
        std::snprintf(code, sizeof code, "key 0x%02X", vk);
        text += code;
    }
    return text;
}

} // namespace clickwisp
