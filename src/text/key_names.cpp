#include "text/key_names.h"

#include <string_view>

namespace pv {

namespace {

struct NamedKey {
    int16_t Code;
    std::string_view Name;
};

// List positions 0..63; the digits and letters that follow are generated.
constexpr NamedKey kNamedKeys[] = {
    {0, "None"},        {32, "SPACE"},     {13, "ENTER"},     {8, "BACKSPACE"},  {9, "TAB"},
    {45, "INSERT"},     {46, "DELETE"},    {38, "UP"},        {40, "DOWN"},      {39, "RIGHT"},
    {37, "LEFT"},       {36, "HOME"},      {35, "END"},       {34, "PGDN"},      {33, "PGUP"},
    {27, "ESCAPE"},     {19, "BREAK"},     {12, "CLEAR"},     {20, "CAPSLOCK"},  {144, "NUMLOCK"},
    {145, "SCROLLOCK"}, {42, "PRTSC"},     {112, "F1"},       {113, "F2"},       {114, "F3"},
    {115, "F4"},        {116, "F5"},       {117, "F6"},       {118, "F7"},       {119, "F8"},
    {120, "F9"},        {121, "F10"},      {122, "F11"},      {123, "F12"},      {124, "F13"},
    {125, "F14"},       {126, "F15"},      {127, "F16"},      {96, "NumPad 0"},  {97, "NumPad 1"},
    {98, "NumPad 2"},   {99, "NumPad 3"},  {100, "NumPad 4"}, {101, "NumPad 5"}, {102, "NumPad 6"},
    {103, "NumPad 7"},  {104, "NumPad 8"}, {105, "NumPad 9"}, {106, "Gray *"},   {107, "Gray +"},
    {109, "Gray -"},    {110, "Gray ."},   {111, "Gray /"},   {186, ";"},        {187, "="},
    {188, ","},         {189, "-"},        {190, "."},        {191, "/"},        {192, "`"},
    {219, "["},         {220, "\\"},       {221, "]"},        {222, "'"},
};
static_assert(std::size(kNamedKeys) == 64);

} // namespace

void BuildKeyNameTable(std::array<std::string, kKeyTableSize>& KeyNames,
                       std::array<int16_t, kKeyTableSize>& KeyCodes) {
    KeyNames.fill(std::string());
    KeyCodes.fill(0);
    for (size_t position = 0; position < std::size(kNamedKeys); ++position) {
        KeyNames[static_cast<size_t>(kNamedKeys[position].Code)] = kNamedKeys[position].Name;
        KeyCodes[position] = kNamedKeys[position].Code;
    }
    for (int code = '0'; code <= '9'; ++code) {
        KeyNames[static_cast<size_t>(code)] = std::string(1, static_cast<char>(code));
        KeyCodes[static_cast<size_t>(code + 16)] = static_cast<int16_t>(code);
    }
    for (int code = 'A'; code <= 'Z'; ++code) {
        KeyNames[static_cast<size_t>(code)] = std::string(1, static_cast<char>(code));
        KeyCodes[static_cast<size_t>(code + 9)] = static_cast<int16_t>(code);
    }
}

} // namespace pv
