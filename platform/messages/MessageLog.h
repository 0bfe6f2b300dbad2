#pragma once

#include "platform/messages/MessageBoxes.h"

namespace tavor {

// Message boxes for unattended runs: each box is appended to a file as one JSON
// line and answered with its default button; when the file cannot be written the
// line goes to standard error.
class MessageLog : public MessageBoxes {
public:
    // An empty path writes the lines to standard error.
    explicit MessageLog(QString path);
    MessageAnswer show(const MessageBoxRequest& request) override;

    static QByteArray toJsonLine(const MessageBoxRequest& request);

private:
    QString path_;
};

} // namespace tavor
