// Every message box of the program goes through here, so that tests can
// answer them by script. Texts are CP932.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "transfer/user_message.h"

class QWidget;
class QMessageBox;

// The caption of the application's boxes (the program's name).
void SetApplicationCaption(const QString& caption);
QString ApplicationCaption();

// The caption a message is shown with (its own, or the program's name).
QString MessageCaption(const UserMessage& message);

// The box as it is shown (for pictures of it); ShowMessageBox runs one. With
// `offerDetails`, a message naming a further action gets its "詳細..." button.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const UserMessage& message, bool offerDetails = false);

// Shows the box modally over `parent` and answers the button pressed. Where the
// message names a further action and `details` is given, the box offers it: each
// press runs `details` and the box is asked again, so the answer is Ok or Cancel.
MsgAnswer ShowMessageBox(QWidget* parent, const UserMessage& message, const std::function<void()>& details = {});

// Replaces the real boxes while set; a test answers each message itself (Details
// presses the further action, after which the script is asked again).
using MessageBoxScript = std::function<MsgAnswer(const UserMessage& message)>;
void SetMessageBoxScript(MessageBoxScript script);

class ScopedMessageBoxScript {
public:
    explicit ScopedMessageBoxScript(MessageBoxScript script) { SetMessageBoxScript(std::move(script)); }
    ~ScopedMessageBoxScript() { SetMessageBoxScript({}); }
    ScopedMessageBoxScript(const ScopedMessageBoxScript&) = delete;
    ScopedMessageBoxScript& operator=(const ScopedMessageBoxScript&) = delete;
};
