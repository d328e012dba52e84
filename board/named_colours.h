#pragma once

#include "colour_value.h"

#include <array>
#include <string_view>

// The seven named colours, in menu order: the one table both colour submenus are built from.
// The chalk submenu's captions differ from the board submenu's only by the trailing space
// that "Blue " and "White " carry.
enum class NamedColour { Black, Blue, Red, Yellow, Green, Lilac, White };

struct NamedColourEntry
{
    NamedColour colour;
    ColourValue value;
    std::string_view chalkName;   // object name of the chalk entry
    std::string_view chalkCaption;
    std::string_view boardName;   // object name of the board entry
    std::string_view boardCaption;
};

inline constexpr std::array<NamedColourEntry, 7> kNamedColours{{
    {NamedColour::Black, 0x00000000, "blackchoke", "Black", "blackscreen", "Black"},
    {NamedColour::Blue, 0x00FF0000, "bluechoke", "Blue ", "bluescreen", "Blue"},
    {NamedColour::Red, 0x000000FF, "redchoke", "Red", "redscreen", "Red"},
    {NamedColour::Yellow, 0x0000FFFF, "yellowchoke", "Yellow", "yellowscreen", "Yellow"},
    {NamedColour::Green, 0x0000FF00, "greenchoke", "Green", "greenscreen", "Green"},
    {NamedColour::Lilac, 0x00FF00FF, "lilacchoke", "Lilac", "lilacscreen", "Lilac"},
    {NamedColour::White, 0x00FFFFFF, "whitechoke", "White ", "whitescreen", "White"},
}};

constexpr ColourValue namedColour(NamedColour colour)
{
    return kNamedColours[static_cast<std::size_t>(colour)].value;
}
