#pragma once

#include "platform/messages/MessageBoxes.h"

#include <QList>

namespace tavor {

// Records every box instead of showing it and answers with the default button.
class RecordingMessageBoxes : public MessageBoxes {
public:
    QList<MessageBoxRequest> shown;

    MessageAnswer show(const MessageBoxRequest& request) override {
        shown.append(request);
        return defaultAnswer(request.buttons);
    }
};

} // namespace tavor
