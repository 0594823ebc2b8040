#pragma once

#include <string>

namespace kolvane::program {

// The three boxes of the program; a front end picks icon and buttons by kind.
enum class BoxKind {
    Info,           // information icon, one OK button
    DeleteQuestion, // question icon, OK and Cancel, OK the default
    Error,          // stop icon, one OK button
};

// What a box shows, in UTF-8.
struct MessageBoxRequest {
    BoxKind kind = BoxKind::Info;
    std::string caption;
    std::string text;
};

// Shows boxes modally over the main window, on the UI thread, and returns when the box is
// dismissed. Front ends show real boxes; tests answer them.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // True only when the box was left with OK.
    virtual bool Show(const MessageBoxRequest& request) = 0;
};

// The information box: caption "提示".
MessageBoxRequest InfoBox(std::string text);
// "要删除数据吗？", caption "提示".
MessageBoxRequest DeleteQuestion();
// The general error box: the application title as caption, the message by ErrorBoxText.
MessageBoxRequest ErrorBox(std::string applicationTitle, const std::string& message);

// The error's text as the general error box shows it: a full stop appended unless the text is
// empty or ends in a character that sorts at or before ".". UTF-8 keeps this a byte test: every
// byte of a character beyond ASCII sorts after ".".
std::string ErrorBoxText(std::string message);

} // namespace kolvane::program
