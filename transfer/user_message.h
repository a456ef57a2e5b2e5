// A message box that the logic asks its front end to show. Texts are CP932.
#pragma once

#include <string>

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Question, Stop, Information };
// Details: the further action of the message was chosen. A front end that offers it
// shows it and asks again; the logic is never answered Details.
enum class MsgAnswer { Ok, Cancel, Details };
// A further action a front end may offer beside the buttons: a window showing what
// the operation asked about would change. The command line ignores it.
enum class MsgDetail { None, CompareRegister, CompareSave };

struct UserMessage {
    std::string text;
    std::string caption;      // ignored when appCaption is set
    bool appCaption = false;  // the program's name as caption (the application's box)
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    MsgDetail detail = MsgDetail::None;
};
