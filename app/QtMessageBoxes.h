#pragma once

#include "platform/messages/MessageBoxes.h"

namespace tavor {

// Message boxes on screen, modal, with right-to-left layout where asked.
class QtMessageBoxes : public MessageBoxes {
public:
    MessageAnswer show(const MessageBoxRequest& request) override;
};

} // namespace tavor
