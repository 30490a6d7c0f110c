// The File > Game Information summary of the current game.
#pragma once

#include <string>

namespace kerrow {

// "Game Name: " <name> CRLF CRLF "Total Sprites Defined: " <n> CRLF
// "Number of Sprite Headings: " <n>. Each of the three parts is left out when
// it cannot be read, so the text is empty while no game is open.
std::string GameInformationText();

}  // namespace kerrow
