// Shows the editor's messages as modal message boxes with an OK button.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/message.h"

void ShowMessageBox(std::string_view text, platform::MessageIcon icon);
// A group of messages about one failure as one box: the first (the most
// specific) as its text, the others under the box's details.
void ShowMessageGroupBox(const std::vector<std::string>& texts, platform::MessageIcon icon);
