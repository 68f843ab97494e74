#pragma once

// The message service of a harness: nothing may wait for a user, so every box is printed
// to stderr and answered at once.

#include "platform/ui/MessageService.h"

#include <QColor>
#include <QFont>

#include <cstdio>
#include <optional>
#include <string>

class PrintedMessages final : public platform::MessageService {
public:
    platform::MsgResult ask(const std::string& text, platform::MsgButtons, platform::MsgIcon) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::MsgResult::Ok;
    }
    std::optional<QColor> pickColor(const QColor&) override { return std::nullopt; }
    std::optional<QFont> pickFont(const QFont&) override { return std::nullopt; }
    std::optional<std::string> pickOpenFile(const std::string&, const std::string&, const std::string&,
                                            const std::string&) override
    {
        return std::nullopt;
    }
    int runModal(QDialog&) override { return 0; }
};
