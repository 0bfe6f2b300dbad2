#include "platform/messages/MessageLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace tavor {

namespace {

QString iconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QStringLiteral("information");
    case MessageIcon::Warning:
        return QStringLiteral("warning");
    case MessageIcon::Critical:
        return QStringLiteral("critical");
    case MessageIcon::Question:
        return QStringLiteral("question");
    case MessageIcon::None:
        break;
    }
    return QStringLiteral("none");
}

QString buttonsName(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QStringLiteral("okcancel");
    case MessageButtons::AbortRetryIgnore:
        return QStringLiteral("abortretryignore");
    case MessageButtons::YesNoCancel:
        return QStringLiteral("yesnocancel");
    case MessageButtons::YesNo:
        return QStringLiteral("yesno");
    case MessageButtons::RetryCancel:
        return QStringLiteral("retrycancel");
    case MessageButtons::Ok:
        break;
    }
    return QStringLiteral("ok");
}

} // namespace

MessageAnswer defaultAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::AbortRetryIgnore:
        return MessageAnswer::Abort;
    case MessageButtons::YesNoCancel:
    case MessageButtons::YesNo:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        break;
    }
    return MessageAnswer::Ok;
}

MessageLog::MessageLog(QString path) : path_(std::move(path)) {}

QByteArray MessageLog::toJsonLine(const MessageBoxRequest& request) {
    const QJsonObject line{
        {QStringLiteral("title"), request.title},
        {QStringLiteral("text"), request.text},
        {QStringLiteral("icon"), iconName(request.icon)},
        {QStringLiteral("buttons"), buttonsName(request.buttons)},
        {QStringLiteral("rtl"), request.rtlReading},
    };
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

// A message the log cannot take (a folder, a file that cannot be written) goes to
// standard error rather than being lost.
MessageAnswer MessageLog::show(const MessageBoxRequest& request) {
    const QByteArray line = toJsonLine(request);
    QFile file(path_);
    const bool logged = !path_.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                        file.write(line) == line.size() && file.flush();
    if (!logged) {
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
        std::fflush(stderr);
    }
    return defaultAnswer(request.buttons);
}

} // namespace tavor
