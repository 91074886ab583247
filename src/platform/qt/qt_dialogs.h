#pragma once
// Message and input boxes as real Qt dialogs, modal over the active window.
//
// The boxes run a nested event loop. If their parent window goes away meanwhile (a timer
// unloads its form), Qt deletes the box with it; the box is therefore held through a QPointer
// and the call answers as if the user had dismissed it.
#include "platform/model/services.h"

namespace vbqt {

class QtDialogs : public vb::Dialogs {
public:
    // Buttons by style & 7 (0 OK, 4 Yes and No), icon by style & 0x70 (16 critical, 32
    // question, 48 exclamation, 64 information). Returns mb::OK, mb::Yes or mb::No.
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::string BrowseForFolder(const std::string& prompt) override;
};

}  // namespace vbqt
