#pragma once

#include <string>

class TForm1;

// What no sequence of user actions may break in the window: the grid and its counts, the
// end, the transport and its timer, the tools, and every button's picture against its
// state. The first thing found broken, or an empty text.
std::string BrokenInvariant(TForm1& f);
