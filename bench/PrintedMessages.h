#pragma once

// The message service of a harness: nothing may wait for a user, so every box is printed
// to stderr and answered at once, with Ok or the answer the harness chose.

#include "platform/ui/MessageService.h"

#include <QColor>
#include <QFont>

#include <cstdio>
#include <optional>
#include <string>

class PrintedMessages final : public platform::MessageService {
public:
    explicit PrintedMessages(platform::MsgResult answer = platform::MsgResult::Ok) : answer_(answer) {}
    platform::MsgResult ask(const std::string& text, platform::MsgButtons, platform::MsgIcon) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return answer_;
    }
    std::optional<QColor> pickColor(const QColor&) override { return std::nullopt; }
    std::optional<QFont> pickFont(const QFont&) override { return std::nullopt; }
    std::optional<std::string> pickOpenFile(const std::string&, const std::string&, const std::string&,
                                            const std::string&) override
    {
        return std::nullopt;
    }
    int runModal(QDialog&) override { return 0; }

private:
    platform::MsgResult answer_;
};
