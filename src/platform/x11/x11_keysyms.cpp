#include "platform/x11/x11_keysyms.h"

#include <X11/keysym.h>

namespace pv::x11 {

namespace {

struct Row {
    int vk;
    unsigned long keysym;
};

// Named keys; letters and digits are computed.
constexpr Row kKeys[] = {
    {3, XK_Break},          {8, XK_BackSpace},     {9, XK_Tab},
    {12, XK_Clear},         {13, XK_Return},       {16, XK_Shift_L},
    {17, XK_Control_L},     {18, XK_Alt_L},        {19, XK_Pause},
    {20, XK_Caps_Lock},     {27, XK_Escape},       {32, XK_space},
    {33, XK_Prior},         {34, XK_Next},         {35, XK_End},
    {36, XK_Home},          {37, XK_Left},         {38, XK_Up},
    {39, XK_Right},         {40, XK_Down},         {41, XK_Select},
    {44, XK_Print},         {43, XK_Execute},      {42, XK_Print},
    {45, XK_Insert},        {46, XK_Delete},       {47, XK_Help},
    {91, XK_Super_L},       {92, XK_Super_R},      {93, XK_Menu},
    {96, XK_KP_0},          {97, XK_KP_1},         {98, XK_KP_2},
    {99, XK_KP_3},          {100, XK_KP_4},        {101, XK_KP_5},
    {102, XK_KP_6},         {103, XK_KP_7},        {104, XK_KP_8},
    {105, XK_KP_9},         {106, XK_KP_Multiply}, {107, XK_KP_Add},
    {108, XK_KP_Separator}, {109, XK_KP_Subtract}, {110, XK_KP_Decimal},
    {111, XK_KP_Divide},    {144, XK_Num_Lock},    {145, XK_Scroll_Lock},
    {160, XK_Shift_L},      {161, XK_Shift_R},     {162, XK_Control_L},
    {163, XK_Control_R},    {164, XK_Alt_L},       {165, XK_Alt_R},
    {186, XK_semicolon},    {187, XK_equal},       {188, XK_comma},
    {189, XK_minus},        {190, XK_period},      {191, XK_slash},
    {192, XK_grave},        {219, XK_bracketleft}, {220, XK_backslash},
    {221, XK_bracketright}, {222, XK_apostrophe},  {226, XK_less},
};

} // namespace

unsigned long VkToKeysym(int vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 112 && vk <= 135) return XK_F1 + (vk - 112); // F1..F24
    for (const auto& row : kKeys)
        if (row.vk == vk) return row.keysym;
    return 0;
}

int KeysymToVk(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return int('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return int('A' + (keysym - XK_A));
    if (keysym >= XK_0 && keysym <= XK_9) return int('0' + (keysym - XK_0));
    if (keysym >= XK_F1 && keysym <= XK_F24) return int(112 + (keysym - XK_F1));
    for (const auto& row : kKeys)
        if (row.keysym == keysym) return row.vk;
    return 0;
}

} // namespace pv::x11
