// A message box that the logic asks its front end to show. Texts are CP932.
#pragma once

#include <string>

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Question, Stop, Information };
enum class MsgAnswer { Ok, Cancel };

struct UserMessage {
    std::string text;
    std::string caption;      // ignored when appCaption is set
    bool appCaption = false;  // the program's name as caption (the application's box)
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};
