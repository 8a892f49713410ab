#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/office/office.h"

namespace tw::engine {

// Word's command bars: "Menu Bar" with Word's top menus (File ... Help) and the "Standard" toolbar.
std::shared_ptr<office::CommandBars> createCommandBars();

// Splits a path written "Menu Bar > Tallyweave > Veld invoegen" into its trimmed parts. A part that starts
// with a double quote runs to the next lone double quote and is taken as it stands between them, '>' and
// blanks included; two double quotes in it stand for one ("a > b" is one part). Error 5 when such a
// quote is not closed or the part goes on after it.
std::vector<std::string> splitMenuPath(std::string_view text);

// Where `what` first stands in the path `text` outside its quoted parts; npos when it does not.
size_t findUnquoted(std::string_view text, std::string_view what);

// Presses the control reached by `path`: a bar name, then the captions of the popups and of the
// button (ampersands and case ignored). Raises the button's Click event for every subscriber.
// Error 5 when a step of the path is not found or not visible.
void clickControl(office::CommandBars& bars, const std::vector<std::string>& path);

// The control reached by `path` (as clickControl finds it) without pressing it.
std::shared_ptr<office::CommandBarControl> findControlByPath(office::CommandBars& bars,
                                                             const std::vector<std::string>& path);

}  // namespace tw::engine
