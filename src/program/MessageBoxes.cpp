#include "program/MessageBoxes.h"

#include <utility>

namespace kolvane::program {

MessageBoxRequest InfoBox(std::string text) {
    return {BoxKind::Info, "提示", std::move(text)};
}

MessageBoxRequest DeleteQuestion() {
    return {BoxKind::DeleteQuestion, "提示", "要删除数据吗？"};
}

MessageBoxRequest ErrorBox(std::string applicationTitle, const std::string& message) {
    return {BoxKind::Error, std::move(applicationTitle), ErrorBoxText(message)};
}

std::string ErrorBoxText(std::string message) {
    if (message.empty() || static_cast<unsigned char>(message.back()) <= '.')
        return message;
    return message + '.';
}

} // namespace kolvane::program
