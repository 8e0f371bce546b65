#pragma once

// Pages reach the window's right edge; what reads as a column (a list of cards, the personal
// centre's body) grows with the page up to this width and stays centred beyond it, so a maximised
// window shows cards of a readable width rather than a stripe across the screen.
namespace kxpage {

inline constexpr int kMaxColumnWidth = 640;

} // namespace kxpage
