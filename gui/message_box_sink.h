// Shows the editor's messages as modal message boxes with an OK button.
#pragma once

#include <string_view>

#include "platform/message.h"

void ShowMessageBox(std::string_view text, platform::MessageIcon icon);
